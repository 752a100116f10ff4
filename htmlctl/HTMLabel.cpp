#include "HTMLabel.h"

namespace {
THTMLabel::TShellOpen& ShellOpen() {
    static THTMLabel::TShellOpen open;
    return open;
}
} // namespace

void THTMLabel::SetShellOpen(TShellOpen Open) { ShellOpen() = std::move(Open); }

THTMLabel::THTMLabel(TComponent* AOwner)
    : TCustomLabel(AOwner),
      TAnchorMouse(this, {.ReenterOffHand = true, .RestoreCursor = false}),
      htmlText_(std::make_unique<TStringList>()),
      imageLink_(std::make_unique<TChangeLink>()),
      cache_(std::make_unique<THTMLPictureCache>()),
      animTimer_(new TTimer(this)) {
    animTimer_->SetEnabled(false);
    animTimer_->SetInterval(100);
    animTimer_->OnTimer = [this](TObject*) { AnimationTick(); };
    htmlText_->OnChange = [this](TObject* s) { HTMLChanged(s); };
    imageLink_->OnChange = [this](TObject* s) { ImageListChanged(s); };
    SetAutoSize(false);
    SetCaption("");
}

THTMLabel::~THTMLabel() {
    if (images_) images_->UnRegisterChanges(imageLink_.get());
    cache_->ClearPictures();
}

void THTMLabel::SetHTMLText(TStrings* Value) {
    const AnsiString text = CRLFToBR(Value ? Value->Text() : AnsiString(), false);
    {
        UpdateGuard update(*htmlText_);
        htmlText_->Clear();
        htmlText_->Add(text);
    }
    UpdateDisplText();
}

AnsiString THTMLabel::GetDisplText() const {
    AnsiString s;
    for (int i = 0; i < htmlText_->Count(); ++i) s += htmlText_->Get(i);
    return s;
}

AnsiString THTMLabel::GetText() const { return HTMLStrip(GetDisplText()); }

void THTMLabel::UpdateDisplText() { Invalidate(); }

void THTMLabel::HTMLChanged(TObject*) {
    cache_->ClearPictures();
    Invalidate();
}

void THTMLabel::ImageListChanged(TObject*) { Invalidate(); }

void THTMLabel::AnimationTick() {
    bool changed = cache_->Animate();
    // The container steps its pictures itself.
    if (container_ && container_->FrameChanges() != containerFrames_) changed = true;
    if (changed) Invalidate();
}

void THTMLabel::SetAutoSizing(bool Value) {
    autoSizing_ = Value;
    if (Align() == alLeft || Align() == alRight) SetWidth(6);
    if (Align() == alTop || Align() == alBottom) SetHeight(6);
    Invalidate();
}

void THTMLabel::SetAutoSizeType(TAutoSizeType Value) {
    autoSizeType_ = Value;
    SetAutoSizing(autoSizing_);
}

void THTMLabel::SetEllipsis(bool Value) {
    if (ellipsis_ == Value) return;
    ellipsis_ = Value;
    Invalidate();
}

void THTMLabel::SetURLColor(TColor Value) {
    if (urlColor_ == Value) return;
    urlColor_ = Value;
    Invalidate();
}

void THTMLabel::SetVAlignment(TVAlignment Value) {
    if (vAlignment_ == Value) return;
    vAlignment_ = Value;
    Invalidate();
}

void THTMLabel::SetImages(TCustomImageList* Value) {
    if (images_) images_->UnRegisterChanges(imageLink_.get());
    images_ = Value;
    if (images_) images_->RegisterChanges(imageLink_.get());
    Invalidate();
}

void THTMLabel::SetPictureContainer(TPictureContainer* Value) {
    container_ = Value;
    Invalidate();
}

void THTMLabel::Loaded() {
    TCustomLabel::Loaded();
    if (!Caption().empty()) SetCaption("");
}

void THTMLabel::TextChanged() {
    // The label never shows a caption of its own.
    Invalidate();
}

void THTMLabel::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0) Invalidate();
}

bool THTMLabel::HTMLPaint(TCanvas* Canvas, const AnsiString& Text, const TRect& R, THTMLDrawParams Params,
                          THTMLDrawResult& Result) {
    Params.WordWrap = !ellipsis_;
    Params.PictureCache = cache_.get();
    Params.PictureContainer = container_;
    return HTMLDrawEx(Canvas, Text, R, Params, Result);
}

THTMLDrawParams THTMLabel::BaseParams() const {
    THTMLDrawParams p;
    p.Images = images_;
    p.ShadowOffset = shadowOffset_;
    p.HoverStyle = hover_;
    p.URLColor = urlColor_;
    p.HoverColor = hoverColor_;
    p.HoverFontColor = hoverFontColor_;
    p.ShadowColor = shadowColor_;
    return p;
}

void THTMLabel::HTMLPrint(TCanvas* Canvas, const TRect& R) {
    THTMLDrawParams p;
    p.Images = images_;
    p.X = p.Y = 0;
    p.ShadowColor = 0x808080;
    p.URLColor = clBlue;
    p.ResFactor = 1.0;
    p.Print = true;
    p.ShadowOffset = 1;
    THTMLDrawResult r;
    HTMLPaint(Canvas, GetDisplText(), R, p, r);
}

TRect THTMLabel::TextRect(bool drawFrames) {
    TCanvas* cv = Canvas();
    TRect r = ClientRect();
    if (drawFrames) {
        TRect f = r;
        auto bevel = [&](TBevelCut cut) {
            const bool lowered = cut == bvLowered;
            ExtCtrls::Frame3D(cv, f, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, bevelWidth_);
        };
        if (bevelOuter_ != bvNone) bevel(bevelOuter_);
        if (borderWidth_ > 0) ExtCtrls::Frame3D(cv, f, Color(), Color(), borderWidth_);
        if (bevelInner_ != bvNone) bevel(bevelInner_);
        if (borderStyle_ == bsSingle && borderWidth_ > 0) {
            cv->Pen()->SetColor(clBlack);
            cv->Pen()->SetWidth(borderWidth_);
            cv->Brush()->SetStyle(bsClear);
            cv->Rectangle(ClientRect());
            cv->Pen()->SetWidth(1);
        }
    }
    if (bevelOuter_ != bvNone || bevelInner_ != bvNone) {
        r.Left += bevelWidth_; r.Top += bevelWidth_; r.Right -= bevelWidth_; r.Bottom -= bevelWidth_;
    }
    if (borderStyle_ == bsSingle) {
        r.Left += borderWidth_; r.Top += borderWidth_; r.Right -= borderWidth_; r.Bottom -= borderWidth_;
    }
    cv->Brush()->SetColor(Color());
    cv->Font()->Assign(Font());
    if (autoSizing_) {
        const TAlign a = Align();
        if ((a == alNone || a == alLeft || a == alRight) && (autoSizeType_ == asHorizontal || autoSizeType_ == asBoth))
            r.Right += 65535;
        if ((a == alNone || a == alTop || a == alBottom) && (autoSizeType_ == asVertical || autoSizeType_ == asBoth))
            r.Bottom += 65535;
    }
    if (vAlignment_ != tvaTop) {
        THTMLDrawParams p = BaseParams();
        p.CheckOnly = true;
        THTMLDrawResult res;
        HTMLPaint(cv, GetDisplText(), r, p, res);
        if (res.YSize < Height()) {
            if (vAlignment_ == tvaCenter) r.Top += (r.Height() - res.YSize) / 2;
            else r.Top = r.Bottom - res.YSize;
        }
    }
    return r;
}

void THTMLabel::Paint() {
    if (!Caption().empty()) SetCaption("");
    TCanvas* cv = Canvas();
    if (!Transparent()) {
        cv->Brush()->SetColor(Color());
        cv->FillRect(ClientRect());
    }
    if (updateCount_ > 0) return;
    const TRect r = TextRect(true);
    THTMLDrawParams p = BaseParams();
    p.X = mousePos_.X;
    p.Y = mousePos_.Y;
    p.HoverLink = hoverAnchor_;
    THTMLDrawResult res;
    HTMLPaint(cv, GetDisplText(), r, p, res);
    // Pictures met while drawing are in the cache now: animate while any of them has frames.
    if (container_) containerFrames_ = container_->FrameChanges();
    animTimer_->SetEnabled(cache_->HasAnimation() || (container_ && container_->HasAnimation()));
    if (autoSizing_) {
        const TAlign a = Align();
        if ((a == alNone || a == alTop || a == alBottom) && (autoSizeType_ == asVertical || autoSizeType_ == asBoth) &&
            Height() != res.YSize + 6)
            SetHeight(res.YSize + 6);
        if ((a == alNone || a == alLeft || a == alRight) && (autoSizeType_ == asHorizontal || autoSizeType_ == asBoth) &&
            Width() != res.XSize + 6)
            SetWidth(res.XSize + 6);
    }
}

AnsiString THTMLabel::IsAnchor(int X, int Y, TRect& AnchorRect) {
    const TRect r = TextRect(false);
    AnchorRect = TRect(-1, -1, -1, -1);
    THTMLDrawParams p = BaseParams();
    p.X = X;
    p.Y = Y;
    p.CheckOnly = true;
    p.HoverColor = clNone;
    p.HoverFontColor = clNone;
    THTMLDrawResult res;
    const bool on = HTMLPaint(Canvas(), GetDisplText(), r, p, res);
    hoverAnchor_ = res.MouseLink;
    if (!on) {
        hoverAnchor_ = -1;
        return {};
    }
    AnchorRect = res.HoverRect;
    return res.AnchorVal;
}

void THTMLabel::RepaintHoverRect(const TRect& R) {
    // The label paints as a whole; an unset rectangle means all of it anyway.
    (void)R;
    Invalidate();
}

void THTMLabel::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomLabel::MouseMove(Shift, X, Y);
    mousePos_ = TPoint(X, Y);
    TRect ar;
    const AnsiString anchor = IsAnchor(X, Y, ar);
    const TRect before = anchorHover_.Rect;
    switch (AnchorMove(anchor, hoverAnchor_, ar, anchorHover_)) {
    case amOver:
    case amEntered:
        if (hover_) {
            RepaintHoverRect(before);
            RepaintHoverRect(anchorHover_.Rect);
        }
        break;
    case amLeft:
        if (hover_) RepaintHoverRect(anchorHover_.Rect);
        anchorHover_ = TAnchorHover();
        break;
    case amNone: break;
    }
}

void THTMLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomLabel::MouseDown(Button, Shift, X, Y);
    TRect ar;
    AnchorClick(IsAnchor(X, Y, ar), ShellOpen());
}

void THTMLabel::MouseLeave() {
    if (hover_ && hoverAnchor_ != -1) RepaintHoverRect(anchorHover_.Rect);
    hoverAnchor_ = -1;
    mousePos_ = TPoint(-1, -1);
    TCustomLabel::MouseLeave();
}

LRESULT THTMLabel::HintShow(THintInfo& HintInfo) {
    if (AnchorHint()) {
        TRect ar;
        AnchorHintShow(HintInfo, IsAnchor(HintInfo.CursorPos.X, HintInfo.CursorPos.Y, ar));
    }
    return 0;
}

void THTMLabel::RewriteText(const AnsiString& Pattern, const AnsiString& Tag, bool CaseSensitive, bool Remove) {
    AnsiString result;
    if (Remove) UnHiLight(GetDisplText(), Tag, result);
    else HiLight(GetDisplText(), Pattern, Tag, result, CaseSensitive);
    UpdateGuard update(*htmlText_);
    htmlText_->Clear();
    htmlText_->Add(result);
}

void THTMLabel::HilightText(const AnsiString& Text, bool CaseSensitive) { RewriteText(Text, "hi", CaseSensitive, false); }
void THTMLabel::MarkText(const AnsiString& Text, bool CaseSensitive) { RewriteText(Text, "e", CaseSensitive, false); }
void THTMLabel::UnHilightText() { RewriteText("", "hi", false, true); }
void THTMLabel::UnMarkText() { RewriteText("", "e", false, true); }
