#pragma once
// Mini-HTML hints for the whole application: one THTMLHint on a form makes every hint of the
// program a marked-up text, drawn by the renderer in a window that sizes itself to it.
#include <memory>

#include "Forms.h"
#include "HTMLDrawEx.h"
#include "SysUtils.h"

class EHTMLHintError : public SysUtils::Exception {
public:
    using SysUtils::Exception::Exception;
};

enum THintStyle { hsRectangle, hsRounded };

class THTMLHint : public TComponent {
public:
    // The owner must be a form holding no other THTMLHint.
    explicit THTMLHint(TComponent* AOwner);
    // Gives the application its previous hint window and hint handler back.
    ~THTMLHint() override;

    bool Ellipsis() const { return ellipsis_; }
    void SetEllipsis(bool Value) { ellipsis_ = Value; }
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor Value) { hintColor_ = Value; }
    TFont* HintFont() const { return hintFont_.get(); }
    void SetHintFont(TFont* Value) { hintFont_->Assign(Value); }
    THintStyle HintStyle() const { return hintStyle_; }
    void SetHintStyle(THintStyle Value) { hintStyle_ = Value; }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value);
    TPictureContainer* PictureContainer() const { return container_; }
    void SetPictureContainer(TPictureContainer* Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value) { shadowColor_ = Value; }
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int Value) { shadowOffset_ = Value; }
    TColor URLColor() const { return urlColor_; }
    void SetURLColor(TColor Value) { urlColor_ = Value; }
    int XMargin() const { return xMargin_; }
    void SetXMargin(int Value) { xMargin_ = Value; }
    int YMargin() const { return yMargin_; }
    void SetYMargin(int Value) { yMargin_ = Value; }
    THTMLPictureCache* PictureCache() const { return cache_.get(); }
    // The record of the hint about to show, as the application handed it over last.
    const THintInfo& HintInfo() const { return hintInfo_; }

    // The application's hint handler while the component lives.
    void GetHintInfo(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo);
    TShowHintEvent OnShowHint;

protected:

private:
    std::unique_ptr<THTMLPictureCache> cache_;
    std::unique_ptr<TFont> hintFont_;
    bool ellipsis_ = false;
    TColor hintColor_ = clInfoBk;
    THintStyle hintStyle_ = hsRectangle;
    TComponentRef<TCustomImageList> images_{this};
    TComponentRef<TPictureContainer> container_{this};
    TColor shadowColor_ = 0x808080;
    int shadowOffset_ = 1;
    TColor urlColor_ = clBlue;
    int xMargin_ = 0, yMargin_ = 0;
    THintInfo hintInfo_;
    THintWindowClass prevWindowClass_;
    TShowHintEvent prevShowHint_;
    bool installed_ = false;
};

// The window the application shows hints in while a THTMLHint is on the main form. Without one it
// behaves as the plain hint window.
class THTMLHintWindow : public THintWindow {
public:
    explicit THTMLHintWindow(TComponent* AOwner);
    ~THTMLHintWindow() override;
    void ActivateHint(TRect Rect, const AnsiString& Hint) override;
    // The THTMLHint among the components of the application's main form, or nullptr.
    THTMLHint* FindHintControl() const;
    // The rendered text's size, margins included.
    int TextWidth() const { return textWidth_; }
    int TextHeight() const { return textHeight_; }

protected:
    void Paint() override;

private:
    THTMLDrawParams Params(const THTMLHint* Hint) const;
    int textWidth_ = 0, textHeight_ = 0;
};

namespace htmlhint {
// The hint control and the maximum width of the hint about to show.
TControl* HintControl();
int HintMaxWidth();
} // namespace htmlhint
