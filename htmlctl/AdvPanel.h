#pragma once
// A panel whose body and caption bar show mini-HTML, that collapses to its caption bar, can be
// moved by the caption and sized by a grip, and keeps its position in a profile file or the
// registry; and a panel that stacks its child panels in a column or a row.
#include <functional>
#include <memory>

#include "AdvImage.h"
#include "ExtCtrls.h"
#include "HTMLabel.h"

// The picture placements of the picture controls (bpTopLeft ... bpCenter).
using TBackGroundPosition = TPicturePosition;
// The label's alignment values serve the panel too.
using TTextVAlignment = TVAlignment;
enum TPanelPositionLocation { clRegistry, clInifile };
enum TGroupStyle { gsVertical, gsHorizontal };

class TAdvPanel;
class TAdvPanelGroup;

class TPanelCaption : public TPersistent {
public:
    explicit TPanelCaption(TAdvPanel* Owner);
    ~TPanelCaption() override;
    void Assign(TPersistent* Source) override;

    int Height() const { return height_; }
    void SetHeight(int Value) { height_ = Value; Changed(); }
    AnsiString Text() const { return text_; }
    void SetText(const AnsiString& Value) { text_ = Value; Changed(); }
    TColor Color() const { return color_; }
    void SetColor(TColor Value) { color_ = Value; Changed(); }
    TColor CloseColor() const { return closeColor_; }
    void SetCloseColor(TColor Value) { closeColor_ = Value; Changed(); }
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* Value) { font_->Assign(Value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool Value) { visible_ = Value; Changed(); }
    bool CloseButton() const { return closeButton_; }
    void SetCloseButton(bool Value) { closeButton_ = Value; Changed(); }
    bool MinMaxButton() const { return minMaxButton_; }
    void SetMinMaxButton(bool Value) { minMaxButton_ = Value; Changed(); }
    TColor CloseButtonColor() const { return closeButtonColor_; }
    void SetCloseButtonColor(TColor Value) { closeButtonColor_ = Value; Changed(); }
    TColor MinMaxButtonColor() const { return minMaxButtonColor_; }
    void SetMinMaxButtonColor(TColor Value) { minMaxButtonColor_ = Value; Changed(); }
    TBitmap* CloseMinGlyph() const { return closeMinGlyph_.get(); }
    void SetCloseMinGlyph(TBitmap* Value) { closeMinGlyph_->Assign(Value); Changed(); }
    TBitmap* CloseMaxGlyph() const { return closeMaxGlyph_.get(); }
    void SetCloseMaxGlyph(TBitmap* Value) { closeMaxGlyph_->Assign(Value); Changed(); }
    TBitmap* MinGlyph() const { return minGlyph_.get(); }
    void SetMinGlyph(TBitmap* Value) { minGlyph_->Assign(Value); Changed(); }
    TBitmap* MaxGlyph() const { return maxGlyph_.get(); }
    void SetMaxGlyph(TBitmap* Value) { maxGlyph_->Assign(Value); Changed(); }

private:
    void Changed();
    TAdvPanel* panel_;
    int height_ = 20;
    AnsiString text_;
    TColor color_ = clHighlight;
    TColor closeColor_ = clBtnFace;
    std::unique_ptr<TFont> font_;
    bool visible_ = false;
    bool closeButton_ = false, minMaxButton_ = false;
    TColor closeButtonColor_ = 0, minMaxButtonColor_ = 0;
    std::unique_ptr<TBitmap> closeMinGlyph_, closeMaxGlyph_, minGlyph_, maxGlyph_;
};

class TPanelPosition : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    bool Save() const { return save_; }
    void SetSave(bool Value) { save_ = Value; }
    // The profile file's name, or the registry key path below the user's root.
    AnsiString Key() const { return key_; }
    void SetKey(const AnsiString& Value) { key_ = Value; }
    AnsiString Section() const { return section_; }
    void SetSection(const AnsiString& Value) { section_ = Value; }
    TPanelPositionLocation Location() const { return location_; }
    void SetLocation(TPanelPositionLocation Value) { location_ = Value; }

private:
    bool save_ = false;
    AnsiString key_, section_;
    TPanelPositionLocation location_ = clRegistry;
};

class TAdvPanel : public TCustomPanel, public TAnchorMouse {
public:
    explicit TAdvPanel(TComponent* AOwner);
    ~TAdvPanel() override;

    // The body text (mini-HTML); the window text of the control stays unused.
    AnsiString Text() const { return text_; }
    void SetText(const AnsiString& Value);
    TPanelCaption* Caption() const { return caption_.get(); }
    void SetCaption(TPanelCaption* Value) { caption_->Assign(Value); }
    bool Collaps() const { return collaps_; }
    void SetCollaps(bool Value);
    TAdvImage* Background() const { return background_.get(); }
    void SetBackground(TAdvImage* Value) { background_->Assign(Value); Invalidate(); }
    TBackGroundPosition BackgroundPosition() const { return backgroundPosition_; }
    void SetBackgroundPosition(TBackGroundPosition Value) { backgroundPosition_ = Value; Invalidate(); }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value);
    TPictureContainer* PictureContainer() const { return container_; }
    void SetPictureContainer(TPictureContainer* Value);
    TColor URLColor() const { return urlColor_; }
    void SetURLColor(TColor Value) { urlColor_ = Value; Invalidate(); }
    bool Hover() const { return hover_; }
    void SetHover(bool Value) { hover_ = Value; Invalidate(); }
    TColor HoverColor() const { return hoverColor_; }
    void SetHoverColor(TColor Value) { hoverColor_ = Value; Invalidate(); }
    TColor HoverFontColor() const { return hoverFontColor_; }
    void SetHoverFontColor(TColor Value) { hoverFontColor_ = Value; Invalidate(); }
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value) { shadowColor_ = Value; Invalidate(); }
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int Value) { shadowOffset_ = Value; Invalidate(); }
    TTextVAlignment TextVAlign() const { return textVAlign_; }
    void SetTextVAlign(TTextVAlignment Value) { textVAlign_ = Value; Invalidate(); }
    bool CanMove() const { return canMove_; }
    void SetCanMove(bool Value) { canMove_ = Value; }
    bool CanSize() const { return canSize_; }
    void SetCanSize(bool Value) { canSize_ = Value; Invalidate(); }
    bool ShowMoveCursor() const { return showMoveCursor_; }
    void SetShowMoveCursor(bool Value) { showMoveCursor_ = Value; }
    bool FixedTop() const { return fixedTop_; }
    void SetFixedTop(bool Value) { fixedTop_ = Value; }
    bool FixedLeft() const { return fixedLeft_; }
    void SetFixedLeft(bool Value) { fixedLeft_ = Value; }
    bool FixedHeight() const { return fixedHeight_; }
    void SetFixedHeight(bool Value) { fixedHeight_ = Value; }
    bool FixedWidth() const { return fixedWidth_; }
    void SetFixedWidth(bool Value) { fixedWidth_ = Value; }
    TPanelPosition* Position() const { return position_.get(); }
    void SetPosition(TPanelPosition* Value) { position_->Assign(Value); }
    // The height the panel gets back when it expands.
    int ExpandedHeight() const { return expandedHeight_; }
    THTMLPictureCache* PictureCache() const { return cache_.get(); }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    // The anchor under a client point ("" when none) and its rectangle; remembers which anchor of
    // the body or of the caption bar it is.
    AnsiString IsAnchor(int X, int Y, TRect& AnchorRect);
    void SavePosition();
    void LoadPosition();

    TNotifyEvent OnCaptionClick, OnClose, OnMinimize, OnMaximize, OnEndMoveSize;

    // How "://" and "mailto:" anchors are opened; the desktop's handler unless set (tests).
    static void SetShellOpen(TShellOpen Open);

protected:
    void Loaded() override;
    void WndProc(TMessage& Message) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseLeave() override;
    LRESULT HintShow(THintInfo& HintInfo) override;
    void NotifyGroup();

private:
    friend class TPanelCaption;
    THTMLDrawParams BaseParams() const;
    // Where the body text and the caption text are laid out, as Paint uses them.
    TRect BodyRect();
    TRect CaptionTextRect() const;
    int BevelInset() const;
    int ButtonSize() const;
    void DrawBackground(const TRect& R);
    void DrawCaptionBar();
    void DrawSizeGrip();
    LRESULT HitTest(const TPoint& P, LRESULT Inherited);
    void ClearHover(bool Body);

    AnsiString text_;
    std::unique_ptr<TPanelCaption> caption_;
    std::unique_ptr<TPanelPosition> position_;
    std::unique_ptr<TAdvImage> background_;
    std::unique_ptr<THTMLPictureCache> cache_;
    bool collaps_ = false;
    TBackGroundPosition backgroundPosition_ = bpTopLeft;
    TComponentRef<TCustomImageList> images_{this};
    TComponentRef<TPictureContainer> container_{this};
    TColor urlColor_ = clBlue;
    bool hover_ = false;
    TColor hoverColor_ = clNone, hoverFontColor_ = clNone;
    TColor shadowColor_ = clGray;
    int shadowOffset_ = 2;
    TTextVAlignment textVAlign_ = tvaTop;
    bool canMove_ = false, canSize_ = false, showMoveCursor_ = false;
    bool fixedTop_ = false, fixedLeft_ = false, fixedHeight_ = false, fixedWidth_ = false;

    int expandedHeight_ = 0;
    TAnchorHover bodyHover_, captionHover_;
    int lastLink_ = -1;       // anchor number found by the last look-up
    bool lastInCaption_ = false;
    bool moving_ = false;
    bool moveCursorShown_ = false;
    TCursor cursorBeforeMove_ = crDefault;
    bool positionSaved_ = false;
    TRect moveStart_;         // screen rectangle when the move began
    // The size FixedWidth and FixedHeight keep: the panel's when it was loaded, and again each time the
    // user takes hold of it (a panel made in code is never loaded).
    int heldWidth_ = 0, heldHeight_ = 0;
};

class TAdvPanelGroup : public TAdvPanel {
public:
    explicit TAdvPanelGroup(TComponent* AOwner);

    TGroupStyle GroupStyle() const { return groupStyle_; }
    void SetGroupStyle(TGroupStyle Value) { groupStyle_ = Value; ArrangeControls(); }
    int HorzPadding() const { return horzPadding_; }
    void SetHorzPadding(int Value) { horzPadding_ = Value; ArrangeControls(); }
    int VertPadding() const { return vertPadding_; }
    void SetVertPadding(int Value) { vertPadding_ = Value; ArrangeControls(); }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    // Places the child panels in order of their Top (column) or Left (row).
    void ArrangeControls();
    void ChildPanelChanged(TAdvPanel* APanel);

private:
    TGroupStyle groupStyle_ = gsVertical;
    int horzPadding_ = 0, vertPadding_ = 0;
    bool arranging_ = false;
};
