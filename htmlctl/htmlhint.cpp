#include "htmlhint.h"

#include "WinRegion.h"

namespace {
// Written when a hint is about to show, read when its window sizes itself.
TControl* gHintControl = nullptr;
int gHintMaxWidth = 0;
} // namespace

TControl* htmlhint::HintControl() { return gHintControl; }
int htmlhint::HintMaxWidth() { return gHintMaxWidth; }

// ---- THTMLHint ----------------------------------------------------------------------------------------------
THTMLHint::THTMLHint(TComponent* AOwner) : TComponent(AOwner) {
    if (!dynamic_cast<TCustomForm*>(AOwner)) throw EHTMLHintError("Control parent must be a form!");
    int instances = 0;
    for (int i = 0; i < AOwner->ComponentCount(); ++i) instances += dynamic_cast<THTMLHint*>(AOwner->Components(i)) != nullptr;
    if (instances > 1) throw EHTMLHintError("Only one instance of THTMLHint allowed on form");
    if (!HasState(csDesigning) && Application) {
        prevWindowClass_ = Application->HintWindowClass;
        prevShowHint_ = Application->OnShowHint;
        Application->HintWindowClass = [](TComponent* Owner) -> THintWindow* { return new THTMLHintWindow(Owner); };
        // Off and on again: the next hint gets a window of the new class.
        Application->SetShowHint(false);
        Application->SetShowHint(true);
        Application->OnShowHint = [this](AnsiString& HintStr, bool& CanShow, THintInfo& Info) {
            GetHintInfo(HintStr, CanShow, Info);
        };
        installed_ = true;
    }
    cache_ = std::make_unique<THTMLPictureCache>();
    hintFont_ = std::make_unique<TFont>();
    hintFont_->SetColor(clInfoText);
    hintFont_->SetName("Tahoma");
}

THTMLHint::~THTMLHint() {
    if (installed_ && Application) {
        // Hints after the component has gone are plain ones again, not drawn from freed settings.
        Application->HintWindowClass = prevWindowClass_;
        Application->OnShowHint = prevShowHint_;
        const bool on = Application->ShowHint();
        Application->SetShowHint(!on);
        Application->SetShowHint(on);
    }
}

void THTMLHint::SetImages(TCustomImageList* Value) {
    images_ = Value;
}

void THTMLHint::SetPictureContainer(TPictureContainer* Value) {
    container_ = Value;
}

void THTMLHint::GetHintInfo(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo) {
    HintInfo.HintColor = hintColor_;
    if (OnShowHint) OnShowHint(HintStr, CanShow, HintInfo);
    gHintControl = HintInfo.HintControl;
    gHintMaxWidth = HintInfo.HintMaxWidth;
    hintInfo_ = HintInfo;
    hintInfo_.HintStr = HintStr;
}

// ---- THTMLHintWindow ----------------------------------------------------------------------------------------
THTMLHintWindow::THTMLHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}

THTMLHintWindow::~THTMLHintWindow() { SetWindowRgn(this, nullptr, false); }

THTMLHint* THTMLHintWindow::FindHintControl() const {
    TCustomForm* main = Application ? Application->MainForm() : nullptr;
    if (!main) return nullptr;
    for (int i = 0; i < main->ComponentCount(); ++i)
        if (auto* h = dynamic_cast<THTMLHint*>(main->Components(i))) return h;
    return nullptr;
}

THTMLDrawParams THTMLHintWindow::Params(const THTMLHint* Hint) const {
    THTMLDrawParams p;
    p.Images = Hint->Images();
    p.PictureCache = Hint->PictureCache();
    p.PictureContainer = Hint->PictureContainer();
    p.URLColor = Hint->URLColor();
    p.ShadowColor = Hint->ShadowColor();
    p.ShadowOffset = Hint->ShadowOffset();
    p.HoverColor = clNone;
    p.HoverFontColor = clNone;
    p.FocusLink = -1;
    p.HoverLink = -1;
    p.ResFactor = 1.0;
    p.WordWrap = !Hint->Ellipsis();
    p.Blink = true;
    return p;
}

void THTMLHintWindow::ActivateHint(TRect Rect, const AnsiString& Hint) {
    if (Active()) ReleaseHandle();
    SetCaption(Hint);
    THTMLHint* hint = FindHintControl();
    if (!hint) {
        // No settings to draw with: a plain hint.
        SetWindowRgn(this, nullptr, false);
        Rect = CalcHintRect(Screen->Width(), Hint, nullptr);
        THintWindow::ActivateHint(Rect, Hint);
        return;
    }
    Canvas()->SetFont(hint->HintFont());
    SetColor(hint->HintColor());
    Rect.Right = Rect.Left + htmlhint::HintMaxWidth() - 16;

    THTMLDrawParams p = Params(hint);
    p.ShadowColor = 0x808080;
    p.ShadowOffset = 1;
    p.CheckHeight = true;
    THTMLDrawResult res;
    HTMLDrawEx(Canvas(), Hint, Rect, p, res);
    textWidth_ = res.XSize + 2 * hint->XMargin();
    textHeight_ = res.YSize + 2 * hint->YMargin();
    const int w = textWidth_ + 16, h = textHeight_ + 4;

    const TPoint pos = hint->HintInfo().HintPos;
    Rect = TRect(pos.X, pos.Y, pos.X + w, pos.Y + h);
    const int sw = Screen->Width(), sh = Screen->Height();
    if (Rect.Right > sw) OffsetRect(Rect, sw - 2 - Rect.Right, 0);
    if (Rect.Bottom > sh) {
        Rect.Bottom = sh - 2;
        Rect.Top = Rect.Bottom - h;
    }
    SetBoundsRect(Rect);
    SetWindowRgn(this, hint->HintStyle() == hsRounded ? CreateRoundRectRgn(0, 0, w, h, 16, 16) : nullptr, true);
    THintWindow::ActivateHint(Rect, Hint);
}

void THTMLHintWindow::Paint() {
    THTMLHint* hint = FindHintControl();
    if (!hint) {
        THintWindow::Paint();
        return;
    }
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(hint->HintColor());
    c->FillRect(r);
    if (hint->HintStyle() == hsRounded) {
        c->Pen()->SetColor(0x808080);
        c->Brush()->SetStyle(bsClear);
        c->RoundRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1, 16, 16);
    } else {
        c->Pen()->SetColor(cl3DLight);
        c->MoveTo(r.Left, r.Bottom - 2);
        c->LineTo(r.Left, r.Top);
        c->LineTo(r.Right - 1, r.Top);
        c->Pen()->SetColor(cl3DDkShadow);
        c->MoveTo(r.Left, r.Bottom - 1);
        c->LineTo(r.Right - 1, r.Bottom - 1);
        c->LineTo(r.Right - 1, r.Top - 1);
    }
    TRect tr;
    tr.Left = r.Left + 4 + hint->XMargin();
    tr.Top = r.Top + (ClientHeight() - textHeight_) / 2 + hint->YMargin();
    tr.Bottom = tr.Top + textHeight_ + 8;
    tr.Right = r.Right - 4;
    c->Brush()->SetColor(hint->HintColor());
    c->SetFont(hint->HintFont());
    THTMLDrawResult res;
    HTMLDrawEx(c, Caption(), tr, Params(hint), res);
}
