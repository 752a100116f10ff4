#include "AdvPanel.h"

#include <algorithm>

#include "IniFiles.h"
#include "Registry.h"
#include "WinApi.h"

namespace {
TAdvPanel::TShellOpen& ShellOpen() {
    static TAdvPanel::TShellOpen open;
    return open;
}

// Sections with integer values, in a profile file or below a registry key of the user's root.
class PositionStore {
public:
    PositionStore(const TPanelPosition& pos) : section_(pos.Section()) {
        if (pos.Location() == clInifile) {
            ini_ = std::make_unique<TIniFile>(pos.Key());
        } else {
            reg_ = std::make_unique<TRegistry>(KEY_ALL_ACCESS);
            reg_->SetRootKey(HKEY_CURRENT_USER);
            AnsiString path = pos.Key();
            if (!path.empty() && path.back() != '\\') path += '\\';
            open_ = reg_->OpenKey("\\" + path + section_, true);
        }
    }
    int Read(const AnsiString& name, int def) {
        if (ini_) return ini_->ReadInteger(section_, name, def);
        int v = def;
        if (open_ && reg_->TryReadInteger(name, v)) return v;
        return def;
    }
    void Write(const AnsiString& name, int value) {
        if (ini_) ini_->WriteInteger(section_, name, value);
        else if (open_) reg_->WriteInteger(name, value);
    }

private:
    AnsiString section_;
    std::unique_ptr<TIniFile> ini_;
    std::unique_ptr<TRegistry> reg_;
    bool open_ = false;
};

bool Inside(int x, int y, int l, int t, int r, int b) { return x >= l && x < r && y >= t && y < b; }
} // namespace

void TAdvPanel::SetShellOpen(TShellOpen Open) { ShellOpen() = std::move(Open); }

// ---- TPanelCaption ---------------------------------------------------------------------------------------
TPanelCaption::TPanelCaption(TAdvPanel* Owner)
    : panel_(Owner),
      font_(std::make_unique<TFont>()),
      closeMinGlyph_(std::make_unique<TBitmap>()),
      closeMaxGlyph_(std::make_unique<TBitmap>()),
      minGlyph_(std::make_unique<TBitmap>()),
      maxGlyph_(std::make_unique<TBitmap>()) {
    font_->OnChange = [this](TObject*) { Changed(); };
}

TPanelCaption::~TPanelCaption() { font_->OnChange = nullptr; }

void TPanelCaption::Changed() {
    if (panel_) panel_->Invalidate();
}

void TPanelCaption::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TPanelCaption*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    height_ = s->height_;
    text_ = s->text_;
    color_ = s->color_;
    closeColor_ = s->closeColor_;
    font_->Assign(s->font_.get());
    visible_ = s->visible_;
    closeButton_ = s->closeButton_;
    minMaxButton_ = s->minMaxButton_;
    closeButtonColor_ = s->closeButtonColor_;
    minMaxButtonColor_ = s->minMaxButtonColor_;
    closeMinGlyph_->Assign(s->closeMinGlyph_.get());
    closeMaxGlyph_->Assign(s->closeMaxGlyph_.get());
    minGlyph_->Assign(s->minGlyph_.get());
    maxGlyph_->Assign(s->maxGlyph_.get());
    Changed();
}

void TPanelPosition::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TPanelPosition*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    save_ = s->save_;
    key_ = s->key_;
    section_ = s->section_;
    location_ = s->location_;
}

// ---- TAdvPanel -------------------------------------------------------------------------------------------
TAdvPanel::TAdvPanel(TComponent* AOwner)
    : TCustomPanel(AOwner),
      TAnchorMouse(this, {.ReenterOffHand = false, .RestoreCursor = true}),
      caption_(std::make_unique<TPanelCaption>(this)),
      position_(std::make_unique<TPanelPosition>()),
      background_(std::make_unique<TAdvImage>()),
      cache_(std::make_unique<THTMLPictureCache>()) {
    DoubleBuffered = true;
    expandedHeight_ = Height();
    background_->OnChange = [this](TObject*) { Invalidate(); };
}

TAdvPanel::~TAdvPanel() {
    // The platform sends no WM_DESTROY to a control going away with its owner: save here as well.
    if (position_->Save() && !positionSaved_) SavePosition();
    background_->OnChange = nullptr;
    cache_->ClearPictures();
}

void TAdvPanel::SetText(const AnsiString& Value) {
    text_ = Value;
    cache_->ClearPictures();
    Invalidate();
}

void TAdvPanel::SetImages(TCustomImageList* Value) {
    images_ = Value;
    Invalidate();
}

void TAdvPanel::SetPictureContainer(TPictureContainer* Value) {
    container_ = Value;
    Invalidate();
}

void TAdvPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!collaps_) expandedHeight_ = AHeight;
    if (HasState(csDesigning) && !HasState(csLoading)) NotifyGroup();
}

void TAdvPanel::SetCollaps(bool Value) {
    collaps_ = Value;
    if (HasState(csLoading)) return;
    if (collaps_) TCustomPanel::SetBounds(Left(), Top(), Width(), caption_->Height());
    else TCustomPanel::SetBounds(Left(), Top(), Width(), expandedHeight_);
    Invalidate();
    NotifyGroup();
}

void TAdvPanel::NotifyGroup() {
    if (auto* g = dynamic_cast<TAdvPanelGroup*>(Parent())) g->ChildPanelChanged(this);
}

void TAdvPanel::Loaded() {
    TCustomPanel::Loaded();
    if (!collaps_) expandedHeight_ = Height();
    SetCollaps(collaps_);
    if (position_->Save()) LoadPosition();
    moveStart_ = TRect(Left(), Top(), Left() + Width(), Top() + Height());
    heldWidth_ = Width();
    heldHeight_ = Height();
    RememberCursor();
}

void TAdvPanel::SavePosition() {
    const AnsiString key = position_->Key(), section = position_->Section();
    if (key.empty() || section.empty() || HasState(csDesigning)) return;
    PositionStore store(*position_);
    store.Write("Top", Top());
    store.Write("Left", Left());
    // A collapsed panel keeps its expanded height, or it could never open to it again.
    store.Write("Height", collaps_ ? expandedHeight_ : Height());
    store.Write("Width", Width());
    store.Write("Collaps", collaps_ ? 1 : 0);
    positionSaved_ = true;
}

void TAdvPanel::LoadPosition() {
    const AnsiString key = position_->Key(), section = position_->Section();
    if (key.empty() || section.empty() || HasState(csDesigning)) return;
    PositionStore store(*position_);
    const int top = store.Read("Top", Top());
    const int left = store.Read("Left", Left());
    const int height = store.Read("Height", collaps_ ? expandedHeight_ : Height());
    const int width = store.Read("Width", Width());
    TCustomPanel::SetBounds(left, top, width, collaps_ ? Height() : height);
    expandedHeight_ = height;
    SetCollaps(store.Read("Collaps", 0) == 1);
}

int TAdvPanel::BevelInset() const {
    return (BevelOuter() != bvNone || BevelInner() != bvNone) ? BevelWidth() : 0;
}

int TAdvPanel::ButtonSize() const {
    if (!caption_->CloseMinGlyph()->Empty() && !caption_->CloseMaxGlyph()->Empty())
        return caption_->CloseMinGlyph()->Width();
    return 12;
}

THTMLDrawParams TAdvPanel::BaseParams() const {
    THTMLDrawParams p;
    p.Images = images_;
    p.ShadowOffset = shadowOffset_;
    p.WordWrap = true;
    p.HoverStyle = hover_;
    p.URLColor = urlColor_;
    p.HoverColor = hoverColor_;
    p.HoverFontColor = hoverFontColor_;
    p.ShadowColor = shadowColor_;
    p.PictureCache = cache_.get();
    p.PictureContainer = container_;
    return p;
}

TRect TAdvPanel::BodyRect() {
    TRect r = ClientRect();
    int inset = BorderWidth();
    if (BevelOuter() != bvNone) inset += BevelWidth();
    if (BevelInner() != bvNone) inset += BevelWidth();
    InflateRect(r, -inset, -inset);
    if (caption_->Visible()) r.Top += caption_->Height() - 2 * BevelWidth();
    if (textVAlign_ != tvaTop) {
        TCanvas* c = Canvas();
        c->Font()->Assign(Font());
        THTMLDrawParams p = BaseParams();
        p.CheckOnly = true;
        THTMLDrawResult res;
        HTMLDrawEx(c, text_, r, p, res);
        if (res.YSize < r.Height()) {
            if (textVAlign_ == tvaCenter) r.Top += (r.Height() - res.YSize) / 2;
            else r.Top = r.Bottom - res.YSize;
        }
    }
    return r;
}

TRect TAdvPanel::CaptionTextRect() const {
    TRect r = ClientRect();
    const int bw = BevelInset();
    InflateRect(r, -bw, -bw);
    if (caption_->CloseButton()) {
        const bool glyphs = !caption_->CloseMinGlyph()->Empty() && !caption_->CloseMaxGlyph()->Empty();
        r.Right -= glyphs ? (collaps_ ? caption_->CloseMinGlyph() : caption_->CloseMaxGlyph())->Width() : 12;
        r.Right -= 20;
    }
    if (caption_->MinMaxButton()) r.Right -= 20;
    r.Bottom = r.Top + caption_->Height();
    return r;
}

void TAdvPanel::DrawBackground(const TRect& R) {
    TCanvas* c = Canvas();
    TAdvImage* pic = background_.get();
    const int bw = BevelWidth();
    const int x = std::max(R.Left, Width() - pic->Width() - bw);
    const int y = std::max(R.Top, Height() - pic->Height() - bw);
    switch (backgroundPosition_) {
    case bpTopLeft: c->Draw(R.Left, R.Top, pic); break;
    case bpTopRight: c->Draw(x, R.Top, pic); break;
    case bpBottomLeft: c->Draw(R.Left, y, pic); break;
    case bpBottomRight: c->Draw(x, y, pic); break;
    case bpCenter: c->Draw(x / 2, y / 2, pic); break;
    case bpStretched:
    case bpStretchedWithAspect: c->StretchDraw(R, pic); break;
    case bpTiled:
        if (pic->Width() <= 0 || pic->Height() <= 0) break;
        for (int ty = R.Top; ty < Height(); ty += pic->Height())
            for (int tx = R.Left; tx < Width(); tx += pic->Width()) c->Draw(tx, ty, pic);
        break;
    }
}

void TAdvPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    const int bw = BevelWidth();
    const auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        const bool lowered = cut == bvLowered;
        ExtCtrls::Frame3D(c, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, bw);
    };
    bevel(BevelOuter());
    ExtCtrls::Frame3D(c, r, Color(), Color(), BorderWidth());
    bevel(BevelInner());

    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->Pen()->SetColor(Color());
    if (caption_->Visible()) r.Top += caption_->Height() - 2 * bw;
    c->FillRect(r);
    c->IntersectClipRect(r);
    if (!background_->Empty()) DrawBackground(r);

    const TRect body = BodyRect();
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsClear);
    THTMLDrawParams p = BaseParams();
    p.X = p.Y = 0;
    p.HoverLink = bodyHover_.Link;
    THTMLDrawResult res;
    HTMLDrawEx(c, text_, body, p, res);
    c->ResetClip();

    if (caption_->Visible()) DrawCaptionBar();
    if (canSize_ && !collaps_) DrawSizeGrip();
}

void TAdvPanel::DrawCaptionBar() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    const int bw = BevelInset();
    InflateRect(r, -bw, -bw);
    const TColor bar = collaps_ ? caption_->CloseColor() : caption_->Color();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(bar);
    c->Pen()->SetColor(bar);
    c->Pen()->SetWidth(1);
    c->FillRect(TRect(r.Left, r.Top, r.Right, r.Top + caption_->Height() - 2 * BevelWidth()));

    if (caption_->CloseButton()) {
        TBitmap* minG = caption_->CloseMinGlyph();
        TBitmap* maxG = caption_->CloseMaxGlyph();
        if (!minG->Empty() && !maxG->Empty()) {
            TBitmap* g = collaps_ ? minG : maxG;
            c->Draw(r.Right - g->Width(), r.Top + 2, g);
            r.Right -= g->Width();
        } else {
            c->Pen()->SetColor(caption_->CloseButtonColor());
            c->Pen()->SetWidth(2);
            c->MoveTo(r.Right - 10, r.Top + 4);
            c->LineTo(r.Right - 4, r.Top + 10);
            c->MoveTo(r.Right - 4, r.Top + 4);
            c->LineTo(r.Right - 10, r.Top + 10);
            c->Pen()->SetWidth(1);
            r.Right -= 12;
        }
    }
    if (caption_->MinMaxButton()) {
        TBitmap* g = collaps_ ? caption_->MaxGlyph() : caption_->MinGlyph();
        if (!g->Empty()) {
            c->Draw(r.Right - g->Width(), r.Top + 2, g);
        } else {
            c->Pen()->SetColor(caption_->MinMaxButtonColor());
            c->Pen()->SetWidth(1);
            c->Brush()->SetColor(caption_->MinMaxButtonColor());
            if (collaps_) c->Polygon({{r.Right - 10, r.Top + 5}, {r.Right - 4, r.Top + 5}, {r.Right - 7, r.Top + 8}});
            else c->Polygon({{r.Right - 10, r.Top + 8}, {r.Right - 4, r.Top + 8}, {r.Right - 7, r.Top + 5}});
        }
    }
    if (caption_->CloseButton()) r.Right -= 20;
    if (caption_->MinMaxButton()) r.Right -= 20;
    r.Bottom = r.Top + caption_->Height();

    c->Font()->Assign(caption_->Font());
    c->Brush()->SetStyle(bsClear);
    THTMLDrawParams p = BaseParams();
    p.X = p.Y = 0;
    p.HoverLink = captionHover_.Link;
    THTMLDrawResult res;
    HTMLDrawEx(c, caption_->Text(), r, p, res);
}

void TAdvPanel::DrawSizeGrip() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    const int inset = BevelInset() * 2;
    InflateRect(r, -inset, -inset);
    const auto line = [&](int a, int b) {
        c->MoveTo(r.Right, r.Bottom - a);
        c->LineTo(r.Right - b, r.Bottom);
    };
    c->Pen()->SetWidth(2);
    c->Pen()->SetColor(TColor(0x808080));
    line(11, 11);
    line(6, 7);
    line(3, 3);
    c->Pen()->SetColor(TColor(0xFFFFFF));
    line(12, 12);
    line(8, 8);
    line(4, 4);
    c->Pen()->SetWidth(1);
}

AnsiString TAdvPanel::IsAnchor(int X, int Y, TRect& AnchorRect) {
    AnchorRect = TRect(-1, -1, -1, -1);
    lastInCaption_ = caption_->Visible() && Y < caption_->Height();
    TCanvas* c = Canvas();
    TRect r;
    AnsiString text;
    if (lastInCaption_) {
        // The same text rectangle as the caption bar is drawn in, buttons left out.
        r = CaptionTextRect();
        c->Font()->Assign(caption_->Font());
        text = caption_->Text();
    } else {
        r = BodyRect();
        c->Font()->Assign(Font());
        text = text_;
    }
    THTMLDrawParams p = BaseParams();
    p.X = X;
    p.Y = Y;
    p.CheckOnly = true;
    p.HoverColor = clNone;
    p.HoverFontColor = clNone;
    THTMLDrawResult res;
    const bool on = HTMLDrawEx(c, text, r, p, res);
    lastLink_ = on ? res.MouseLink : -1;
    if (!on) return {};
    AnchorRect = res.HoverRect;
    return res.AnchorVal;
}

void TAdvPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseDown(Button, Shift, X, Y);
    if (caption_->Visible()) {
        const int b = ButtonSize();
        TRect r = ClientRect();
        bool closed = false;
        if (caption_->CloseButton()) {
            if (Inside(X, Y, r.Right - 2 - b, r.Top + 2, r.Right - 2, r.Top + 2 + b)) {
                Hide();
                closed = true;
                if (OnClose) OnClose(this);
            }
            r.Right -= b;
        }
        if (caption_->MinMaxButton()) {
            if (!closed && Inside(X, Y, r.Right - 2 - b, r.Top + 2, r.Right - 2, r.Top + 2 + b)) {
                if (collaps_) {
                    if (OnMaximize) OnMaximize(this);
                } else if (OnMinimize) OnMinimize(this);
                SetCollaps(!collaps_);
            }
            // The collapse square is a button, not part of the caption's click area.
            r.Right -= b;
        }
        if (Inside(X, Y, r.Left, r.Top, r.Right - 2, r.Top + caption_->Height()) && OnCaptionClick) OnCaptionClick(this);
    }
    TRect ar;
    AnchorClick(IsAnchor(X, Y, ar), ShellOpen());
}

void TAdvPanel::ClearHover(bool Body) {
    TAnchorHover& h = Body ? bodyHover_ : captionHover_;
    if (h.Link != -1 && hover_) Invalidate();
    h = TAnchorHover();
}

void TAdvPanel::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseMove(Shift, X, Y);
    TRect ar;
    const AnsiString anchor = IsAnchor(X, Y, ar);
    moving_ = false;
    const bool inCaption = lastInCaption_;
    ClearHover(inCaption);   // the other area's hover goes
    switch (AnchorMove(anchor, lastLink_, ar, inCaption ? captionHover_ : bodyHover_)) {
    case amEntered:
        if (hover_) Invalidate();
        break;
    case amLeft: ClearHover(!inCaption); break;
    default: break;
    }
}

void TAdvPanel::MouseLeave() {
    ClearHover(true);
    ClearHover(false);
    TCustomPanel::MouseLeave();
}

LRESULT TAdvPanel::HintShow(THintInfo& HintInfo) {
    if (AnchorHint()) {
        TRect ar;
        AnchorHintShow(HintInfo, IsAnchor(HintInfo.CursorPos.X, HintInfo.CursorPos.Y, ar));
    }
    return 0;
}

LRESULT TAdvPanel::HitTest(const TPoint& P, LRESULT Inherited) {
    // The moving flag tells that the pointer is on the caption; the answer below says it anew.
    moving_ = false;
    if (Inherited != HTCLIENT) return Inherited;
    int buttons = 0;
    if (caption_->CloseButton()) buttons += ButtonSize();
    if (caption_->MinMaxButton()) buttons += ButtonSize();
    if (canMove_ && caption_->Visible() && P.Y >= 0 && P.Y < caption_->Height() && P.X < Width() - buttons) {
        TRect ar;
        if (IsAnchor(P.X, P.Y, ar).empty()) {
            moving_ = true;
            const TPoint o = ClientToScreen(TPoint(0, 0));
            moveStart_ = TRect(o.X, o.Y, o.X + Width(), o.Y + Height());
            return HTCAPTION;
        }
    }
    if (canSize_ && !collaps_ && P.X > Width() - GetSystemMetrics(SM_CXHSCROLL) &&
        P.Y > Height() - GetSystemMetrics(SM_CYHSCROLL))
        return HTBOTTOMRIGHT;
    return Inherited;
}

void TAdvPanel::WndProc(TMessage& Message) {
    const bool designing = HasState(csDesigning);
    switch (Message.Msg) {
    case WM_NCHITTEST: {
        TCustomPanel::WndProc(Message);
        if (designing) return;
        const TPoint p = ScreenToClient(TPoint(static_cast<short>(LOWORD(static_cast<std::uintptr_t>(Message.LParam))),
                                               static_cast<short>(HIWORD(static_cast<std::uintptr_t>(Message.LParam)))));
        // The platform answers nothing of its own: a point on the panel is client area.
        LRESULT inherited = Message.Result;
        if (inherited == HTNOWHERE && p.X >= 0 && p.Y >= 0 && p.X < Width() && p.Y < Height()) inherited = HTCLIENT;
        Message.Result = HitTest(p, inherited);
        return;
    }
    case WM_SETCURSOR:
        if (moving_ && showMoveCursor_) {
            if (!moveCursorShown_) cursorBeforeMove_ = Cursor();
            moveCursorShown_ = true;
            SetCursor(crSizeAll);
            Message.Result = 1;
            return;
        }
        // Off the caption the panel's own cursor comes back.
        if (moveCursorShown_) {
            moveCursorShown_ = false;
            SetCursor(cursorBeforeMove_);
        }
        break;
    case WM_MOVING:
        if (!designing && Message.LParam) {
            auto* r = reinterpret_cast<TRect*>(Message.LParam);
            if (fixedLeft_) {
                const int w = r->Width();
                r->Left = moveStart_.Left;
                r->Right = r->Left + w;
            }
            if (fixedTop_) {
                const int h = r->Height();
                r->Top = moveStart_.Top;
                r->Bottom = r->Top + h;
            }
            Message.Result = 1;
        }
        break;
    case WM_SIZING:
        if (!designing && Message.LParam) {
            auto* r = reinterpret_cast<TRect*>(Message.LParam);
            if (fixedWidth_) r->Right = r->Left + heldWidth_;
            if (fixedHeight_) r->Bottom = r->Top + heldHeight_;
            expandedHeight_ = r->Height();
            Message.Result = 1;
        }
        break;
    case WM_ENTERSIZEMOVE:
        if (!designing) {
            heldWidth_ = Width();
            heldHeight_ = Height();
        }
        break;
    case WM_EXITSIZEMOVE:
        if (!designing) {
            if (OnEndMoveSize) OnEndMoveSize(this);
            NotifyGroup();
        }
        break;
    case WM_DESTROY:
        if (position_->Save() && !positionSaved_) SavePosition();
        break;
    default: break;
    }
    TCustomPanel::WndProc(Message);
}

// ---- TAdvPanelGroup --------------------------------------------------------------------------------------
TAdvPanelGroup::TAdvPanelGroup(TComponent* AOwner) : TAdvPanel(AOwner) {
    ControlStyle = ControlStyle + TControlStyle{csAcceptsControls};
}

void TAdvPanelGroup::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TAdvPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
    ArrangeControls();
}

void TAdvPanelGroup::ChildPanelChanged(TAdvPanel*) { ArrangeControls(); }

void TAdvPanelGroup::ArrangeControls() {
    if (arranging_) return;
    arranging_ = true;
    std::vector<TAdvPanel*> panels;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* p = dynamic_cast<TAdvPanel*>(Controls(i))) panels.push_back(p);
    const bool vertical = groupStyle_ == gsVertical;
    const auto key = [vertical](TAdvPanel* p) { return vertical ? p->Top() : p->Left(); };
    // Exchange sort: panels at the same place keep their order.
    for (std::size_t i = 0; i + 1 < panels.size(); ++i)
        for (std::size_t j = 0; j + 1 < panels.size() - i; ++j)
            if (key(panels[j]) > key(panels[j + 1])) std::swap(panels[j], panels[j + 1]);
    int pos = vertical ? vertPadding_ : horzPadding_;
    for (TAdvPanel* p : panels) {
        if (vertical) {
            p->SetBounds(horzPadding_, pos, Width() - 2 * horzPadding_, p->Height());
            pos += p->Height() + vertPadding_;
        } else {
            p->SetBounds(pos, vertPadding_, p->Width(), Height() - 2 * vertPadding_);
            pos += p->Width() + horzPadding_;
        }
    }
    arranging_ = false;
}
