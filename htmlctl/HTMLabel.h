#pragma once
// The HTML label and the text routines of its unit (plain text, highlighting).
#include <functional>
#include <memory>

#include "AnchorMouse.h"
#include "Controls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "HTMLDrawEx.h"
#include "StdCtrls.h"
#include "System.h"

enum TAutoSizeType { asVertical, asHorizontal, asBoth };
enum TVAlignment { tvaTop, tvaCenter, tvaBottom };

// A label that shows mini-HTML: anchors react to the mouse, web and mail anchors open in the
// desktop's handler, others raise OnAnchorClick. The markup is parsed again at every paint, mouse
// move, click and hint; nothing of the layout is kept between them.
class THTMLabel : public TCustomLabel, public TAnchorMouse {
public:
    explicit THTMLabel(TComponent* AOwner);
    ~THTMLabel() override;

    TStringList* HTMLText() const { return htmlText_.get(); }
    // The lines become one line of markup: line ends are removed, not turned into breaks.
    void SetHTMLText(TStrings* Value);
    bool AutoSizing() const { return autoSizing_; }
    void SetAutoSizing(bool Value);
    TAutoSizeType AutoSizeType() const { return autoSizeType_; }
    void SetAutoSizeType(TAutoSizeType Value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut Value) { bevelInner_ = Value; Invalidate(); }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut Value) { bevelOuter_ = Value; Invalidate(); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int Value) { bevelWidth_ = Value; Invalidate(); }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int Value) { borderWidth_ = Value; Invalidate(); }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle Value) { borderStyle_ = Value; Invalidate(); }
    bool Ellipsis() const { return ellipsis_; }
    void SetEllipsis(bool Value);
    bool Hover() const { return hover_; }
    void SetHover(bool Value) { hover_ = Value; Invalidate(); }
    TColor HoverColor() const { return hoverColor_; }
    void SetHoverColor(TColor Value) { hoverColor_ = Value; Invalidate(); }
    TColor HoverFontColor() const { return hoverFontColor_; }
    void SetHoverFontColor(TColor Value) { hoverFontColor_ = Value; Invalidate(); }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value);
    TPictureContainer* PictureContainer() const { return container_; }
    void SetPictureContainer(TPictureContainer* Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value) { shadowColor_ = Value; Invalidate(); }
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int Value) { shadowOffset_ = Value; Invalidate(); }
    TColor URLColor() const { return urlColor_; }
    void SetURLColor(TColor Value);
    TVAlignment VAlignment() const { return vAlignment_; }
    void SetVAlignment(TVAlignment Value);
    THTMLPictureCache* PictureCache() const { return cache_.get(); }
    // Runs every 100 ms while the text shows an animated picture: steps the pictures the label
    // loaded itself and repaints when a frame changed.
    TTimer* AnimationTimer() const { return animTimer_; }

    // The plain text of the markup.
    AnsiString GetText() const;
    virtual AnsiString GetDisplText() const;
    virtual void UpdateDisplText();
    // Renders with the label's word wrap (off with Ellipsis), picture cache and container.
    virtual bool HTMLPaint(TCanvas* Canvas, const AnsiString& Text, const TRect& R, THTMLDrawParams Params,
                           THTMLDrawResult& Result);
    void HTMLPrint(TCanvas* Canvas, const TRect& R);
    // The anchor under a client point ("" when none) and its rectangle.
    AnsiString IsAnchor(int X, int Y, TRect& AnchorRect);
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void HilightText(const AnsiString& Text, bool CaseSensitive);
    void MarkText(const AnsiString& Text, bool CaseSensitive);
    void UnHilightText();
    void UnMarkText();
    void Doit() { Paint(); }
    int HoveredAnchor() const { return hoverAnchor_; }

    // How "://" and "mailto:" anchors are opened; the desktop's handler unless set (tests).
    static void SetShellOpen(TShellOpen Open);

protected:
    void Paint() override;
    void Loaded() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseLeave() override;
    LRESULT HintShow(THintInfo& HintInfo) override;
    void TextChanged() override;

private:
    void HTMLChanged(TObject* Sender);
    void AnimationTick();
    void ImageListChanged(TObject* Sender);
    // The text rectangle: client area inside bevels and border, moved for vertical alignment.
    TRect TextRect(bool drawFrames);
    THTMLDrawParams BaseParams() const;
    void RepaintHoverRect(const TRect& R);
    void RewriteText(const AnsiString& Pattern, const AnsiString& Tag, bool CaseSensitive, bool Remove);

    std::unique_ptr<TStringList> htmlText_;
    std::unique_ptr<TChangeLink> imageLink_;
    std::unique_ptr<THTMLPictureCache> cache_;
    TTimer* animTimer_;   // owned as a component
    int containerFrames_ = 0;
    bool autoSizing_ = false;
    TAutoSizeType autoSizeType_ = asVertical;
    TBevelCut bevelInner_ = bvNone, bevelOuter_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TFormBorderStyle borderStyle_ = bsNone;
    bool ellipsis_ = false;
    bool hover_ = false;
    TColor hoverColor_ = clNone, hoverFontColor_ = clNone;
    TComponentRef<TCustomImageList> images_{this};
    TComponentRef<TPictureContainer> container_{this};
    TColor shadowColor_ = 0x808080;
    int shadowOffset_ = 2;
    TColor urlColor_ = clBlue;
    TVAlignment vAlignment_ = tvaTop;
    int updateCount_ = 0;
    int hoverAnchor_ = -1;
    TAnchorHover anchorHover_;   // the anchor the mouse moved onto last
    TPoint mousePos_{-1, -1};
};

// Every "<BR>" and "<HR>" becomes a line break, then every tag goes. A "<" that nothing closes is
// kept with the rest of the text.
AnsiString HTMLStrip(const AnsiString& Html);
// Every tag goes, nothing replaces it.
AnsiString StripTags(const AnsiString& Html);
// The 1-based index in Html of the visible character TextPos (1-based); the position just past the
// last visible character gives the length of Html + 1; any other position gives 0.
int TextPosToHTMLPos(const AnsiString& Html, int TextPos);
// Searches Text after its first Start characters; the result is Start + the 1-based match position,
// 0 when absent. Position receives the result as well.
int FindTextPos(const AnsiString& Pattern, const AnsiString& Text, int Start, int& Position,
                bool CaseSensitive);
// Wraps each match of Pattern in the visible text (left to right, not overlapping) in <Tag>..</Tag>.
void HiLight(const AnsiString& Html, const AnsiString& Pattern, const AnsiString& Tag, AnsiString& Result,
             bool CaseSensitive);
// Removes every <Tag> and </Tag>, ignoring case.
void UnHiLight(const AnsiString& Html, const AnsiString& Tag, AnsiString& Result);
