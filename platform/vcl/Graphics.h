#pragma once
// Fonts, pens, brushes, the canvas, bitmaps, icons, pictures and image lists. Painting is done by Qt;
// this header stays free of Qt so the system's own code sees only the class library's names.
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Colors.h"
#include "Types.h"

class TCanvas;
class TGraphic;
class TBitmap;

// ---- fonts, pens, brushes ----------------------------------------------------------------------------
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TEnumSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = Byte;
constexpr TFontCharset ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255;

// Common base of font, pen and brush: every change is announced through OnChange.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;
    // Counts the changes, so that what was made from the object can tell it is out of date.
    unsigned ChangeStamp() const { return stamp_; }
protected:
    void Changed();
private:
    unsigned stamp_ = 0;
};

class TFont : public TGraphicsObject {
public:
    TFont();
    void Assign(TPersistent* Source) override;

    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& Value);
    // Points at the screen's 96 pixels per inch; Height is negative for a character height in
    // pixels, positive for a cell height (character plus internal leading), 0 for the default.
    int Size() const;
    void SetSize(int Value);
    int Height() const { return height_; }
    void SetHeight(int Value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch Value);
    // Angle of the text's base line in tenths of a degree, counter-clockwise (the font's escapement).
    int Orientation() const { return orientation_; }
    void SetOrientation(int Value);
    int PixelsPerInch() const { return 96; }
    // Families the window system drew from bitmaps: asked for where only outline fonts can rotate.
    bool IsTrueType() const;
    // The family text is actually drawn with: Name when it is installed, else the family the
    // system puts in its place.
    AnsiString ResolvedName() const;
private:
    AnsiString name_ = "MS Sans Serif";
    int height_ = -11;
    TFontStyles style_;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int orientation_ = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
    pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
public:
    void Assign(TPersistent* Source) override;
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    int Width() const { return width_; }
    void SetWidth(int Value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode Value);
private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    void Assign(TPersistent* Source) override;
    // clNone makes the brush clear; a colour given to a clear brush makes it solid again.
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle Value);
private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

// ---- text drawing flags ------------------------------------------------------------------------------
constexpr unsigned DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80,
    DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800,
    DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
    DT_WORD_ELLIPSIS = 0x40000, DT_HIDEPREFIX = 0x100000;

// What the window system reports about the selected font, in pixels.
struct TTextMetric {
    int tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0;
    int tmAveCharWidth = 0, tmMaxCharWidth = 0, tmWeight = 400;
    Byte tmItalic = 0, tmUnderlined = 0, tmStruckOut = 0, tmPitchAndFamily = 0, tmCharSet = 0;
};
constexpr Byte TMPF_FIXED_PITCH = 1, TMPF_VECTOR = 2, TMPF_TRUETYPE = 4, TMPF_DEVICE = 8;

// The value a pixel read answers outside the surface.
constexpr TColor CLR_INVALID = static_cast<TColor>(0xFFFFFFFFu);

// ---- canvas ------------------------------------------------------------------------------------------
enum TCopyMode { cmSrcCopy, cmSrcPaint, cmSrcAnd, cmSrcInvert, cmSrcErase, cmNotSrcCopy, cmNotSrcErase,
                 cmMergePaint, cmDstInvert, cmBlackness, cmWhiteness };
enum TFillStyle { fsSurface, fsBorder };

struct TCanvasPrivate;

// A surface to paint on: a bitmap's image, or a window while it paints (see GraphicsQt.h). Without a
// surface the canvas still measures text; drawing then does nothing.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* Value) { font_->Assign(Value); }
    TPen* Pen() const { return pen_.get(); }
    void SetPen(TPen* Value) { pen_->Assign(Value); }
    TBrush* Brush() const { return brush_.get(); }
    void SetBrush(TBrush* Value) { brush_->Assign(Value); }
    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint Value) { penPos_ = Value; }
    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode Value) { copyMode_ = Value; }
    bool HandleAllocated() const;

    // Lines leave out their last pixel, as the window system draws them.
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const std::vector<TPoint>& Points);
    void Polygon(const std::vector<TPoint>& Points);
    // Shapes span [X1, X2) x [Y1, Y2): the pen's outline, the brush inside.
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void FillRect(const TRect& R);
    // A one-pixel frame in the brush colour.
    void FrameRect(const TRect& R);
    // A dotted frame that a second call removes again.
    void DrawFocusRect(const TRect& R);

    // Text cells start at (X, Y); a solid brush fills the cell behind the text.
    void TextOut(int X, int Y, const AnsiString& Text);
    // Clipped to R; a solid brush fills all of R.
    void TextRect(const TRect& R, int X, int Y, const AnsiString& Text);
    int TextWidth(const AnsiString& Text) const;
    int TextHeight(const AnsiString& Text) const;
    TSize TextExtent(const AnsiString& Text) const;
    TTextMetric TextMetrics() const;
    // The window system's text box: DT_ flags above; "&x" underlines x unless DT_NOPREFIX, "&&" is "&".
    // With DT_CALCRECT R receives the text's extent and nothing is drawn. Returns the text height.
    int DrawText(const AnsiString& Text, TRect& R, unsigned Format);

    void Draw(int X, int Y, TGraphic* Graphic);
    void StretchDraw(const TRect& R, TGraphic* Graphic);
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
    // Copies Source of the bitmap, leaving out the pixels of Color; the brush is not used.
    void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);

    TColor Pixels(int X, int Y) const;
    void SetPixels(int X, int Y, TColor Value);

    // The part that painting reaches, in canvas coordinates.
    TRect ClipRect() const;
    void IntersectClipRect(const TRect& R);
    void ExcludeClipRect(const TRect& R);
    void ResetClip();

    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return lockCount_; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    TCanvasPrivate* Private() const { return d_.get(); }
protected:
    void Changing();
    void Changed();
private:
    void DrawLineRun(TPoint From, TPoint To);
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TCanvasPrivate> d_;
    TPoint penPos_;
    TCopyMode copyMode_ = cmSrcCopy;
    int lockCount_ = 0;
};

// ---- graphics ----------------------------------------------------------------------------------------
struct TGraphicImage;   // the decoded pixels, kept by Qt

class TGraphic : public TPersistent {
public:
    TGraphic();
    ~TGraphic() override;

    virtual bool Empty() const;
    virtual int Width() const;
    virtual int Height() const;
    virtual void SetWidth(int Value);
    virtual void SetHeight(int Value);
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool Value);
    bool Modified() const { return modified_; }
    void SetModified(bool Value) { modified_ = Value; }

    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName);
    // Raises EInvalidGraphic when the bytes are no image Qt can read.
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream);
    void Assign(TPersistent* Source) override;
    // An empty graphic of the same kind.
    virtual TGraphic* NewEmpty() const { return new TGraphic; }

    TNotifyEvent OnChange;

    TGraphicImage* Image() const { return image_.get(); }
    // Before the pixels are read or replaced: a bitmap's canvas lets go of its image here.
    virtual void ReleasePainter() {}
protected:
    friend class TCanvas;
    // The image format written by SaveToStream ("BMP", "PNG" ...).
    virtual const char* SaveFormat() const { return "PNG"; }
    // Draws at natural size when Dest matches it, else stretched.
    virtual void Draw(TCanvas* ACanvas, const TRect& Dest);
    virtual void Changed();
    std::unique_ptr<TGraphicImage> image_;
    bool transparent_ = false;
    bool modified_ = false;
};

class EInvalidGraphic : public SysUtils::Exception { using Exception::Exception; };

enum TTransparentMode { tmAuto, tmFixed };
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Pixels are kept as opaque 32-bit RGB whatever PixelFormat says; PixelFormat is remembered for callers.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    TCanvas* Canvas();
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    // New pixels are white; the old ones stay at the top left.
    void SetSize(int AWidth, int AHeight);
    // The colour left out when drawn transparently: in tmAuto the bottom-left pixel's colour.
    TColor TransparentColor();
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode Value);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat Value) { pixelFormat_ = Value; }
    bool Monochrome() const { return pixelFormat_ == pf1bit; }
    void Assign(TPersistent* Source) override;
    void LoadFromStream(TStream* Stream) override;
    TGraphic* NewEmpty() const override { return new TBitmap; }
    void Dormant() { ReleasePainter(); }
    void FreeImage() { ReleasePainter(); }
protected:
    const char* SaveFormat() const override { return "BMP"; }
    void Draw(TCanvas* ACanvas, const TRect& Dest) override;
public:
    void ReleasePainter() override;
private:
    std::unique_ptr<TCanvas> canvas_;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
    TPixelFormat pixelFormat_ = pfDevice;
};

// Images kept with their alpha channel, drawn through it.
class TIcon : public TGraphic {
public:
    TIcon();
    TGraphic* NewEmpty() const override { return new TIcon; }
protected:
    const char* SaveFormat() const override { return "ICO"; }
};
class TPngImage : public TGraphic {
public:
    TGraphic* NewEmpty() const override { return new TPngImage; }
protected:
    const char* SaveFormat() const override { return "PNG"; }
};
class TJPEGImage : public TGraphic {
public:
    TGraphic* NewEmpty() const override { return new TJPEGImage; }
protected:
    const char* SaveFormat() const override { return "JPEG"; }
};
class TGIFImage : public TGraphic {
public:
    TGraphic* NewEmpty() const override { return new TGIFImage; }
protected:
    const char* SaveFormat() const override { return "GIF"; }
};

// Holds one graphic of whatever kind the file was.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    TGraphic* Graphic() const { return graphic_.get(); }
    // Keeps a copy of Value (of the same kind), or nothing for null.
    void SetGraphic(TGraphic* Value);
    // Replaces another kind of graphic with an empty bitmap.
    TBitmap* Bitmap();
    TIcon* Icon();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    // BMP, GIF, JPEG, PNG and ICO, told apart by their content.
    void LoadFromFile(const AnsiString& FileName);
    void LoadFromStream(TStream* Stream);
    void SaveToFile(const AnsiString& FileName);
    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;
private:
    void Adopt(TGraphic* Graphic);
    void Changed(TObject* Sender);
    std::unique_ptr<TGraphic> graphic_;
};

// The device behind a canvas: LOGPIXELSX and LOGPIXELSY give its dots per inch (96 on an ordinary
// screen and for bitmaps that say nothing else; a canvas without a surface counts as 96).
constexpr int LOGPIXELSX = 88, LOGPIXELSY = 90;
int GetDeviceCaps(TCanvas* Canvas, int Index);

namespace Graphics {

// Font size in points to pixels and back, with the window system's rounding (half away from zero).
int MulDiv(int Number, int Numerator, int Denominator);

} // namespace Graphics
