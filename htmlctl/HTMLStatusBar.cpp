#include "HTMLStatusBar.h"

#include <algorithm>
#include <cmath>

#include "ExtCtrls.h"
#include "LockKeys.h"
#include "WinApi.h"

namespace {
THTMLStatusBar::TShellOpen& ShellOpen() {
    static THTMLStatusBar::TShellOpen open;
    return open;
}
// The class library rounds halves to even.
int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

AnsiString Upper(AnsiString s) {
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}
} // namespace

void THTMLStatusBar::SetShellOpen(TShellOpen Open) { ShellOpen() = std::move(Open); }

// ---- TProgressStyle -----------------------------------------------------------------------------------------
void TProgressStyle::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TProgressStyle*>(Source);
    if (!s) return TPersistent::Assign(Source);
    min_ = s->min_;
    max_ = s->max_;
    position_ = s->position_;
    color_ = s->color_;
    background_ = s->background_;
    textColor_ = s->textColor_;
    indication_ = s->indication_;
    Changed();
}

void TProgressStyle::Changed() {
    if (owner_) owner_->ProgressChanged();
}

AnsiString TProgressStyle::Text() const {
    switch (indication_) {
    case piPercentage:
        // Measured from Min, so a range that does not start at 0 still reads 0 % at its start.
        if (max_ - min_ < 1) return "0%";
        return SysUtils::IntToStr(Round((position_ - min_) * 100.0 / (max_ - min_))) + "%";
    case piAbsolute: return SysUtils::IntToStr(position_);
    case piNone: break;
    }
    return "";
}

int TProgressStyle::FillWidth(int Width) const {
    int w;
    // An empty range is empty up to Min and full beyond it, instead of dividing by nothing.
    if (max_ - min_ < 1) w = position_ > min_ ? Width : 0;
    else w = Round(static_cast<double>(Width) * (position_ - min_) / (max_ - min_));
    return std::clamp(w, 0, std::max(Width, 0));
}

// ---- THTMLStatusPanel ---------------------------------------------------------------------------------------
THTMLStatusPanel::THTMLStatusPanel(TCollection* Collection)
    : TCollectionItem(Collection), progress_(std::make_unique<TProgressStyle>(this)) {}

THTMLStatusPanel::~THTMLStatusPanel() = default;

void THTMLStatusPanel::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<THTMLStatusPanel*>(Source);
    if (!s) return TCollectionItem::Assign(Source);
    text_ = s->text_;
    width_ = s->width_;
    alignment_ = s->alignment_;
    bevel_ = s->bevel_;
    style_ = s->style_;
    dateFormat_ = s->dateFormat_;
    timeFormat_ = s->timeFormat_;
    progress_->Assign(s->progress_.get());
    hint_ = s->hint_;
    Changed(true);
}

AnsiString THTMLStatusPanel::DisplayName() const { return text_.empty() ? TCollectionItem::DisplayName() : text_; }

void THTMLStatusPanel::SetText(const AnsiString& Value) {
    if (text_ == Value) return;
    text_ = Value;
    Changed(false);
}
void THTMLStatusPanel::SetAlignment(TAlignment Value) {
    if (alignment_ == Value) return;
    alignment_ = Value;
    Changed(false);
}
void THTMLStatusPanel::SetBevel(THTMLStatusPanelBevel Value) {
    if (bevel_ == Value) return;
    bevel_ = Value;
    Changed(false);
}
void THTMLStatusPanel::SetStyle(THTMLStatusPanelStyle Value) {
    if (style_ == Value) return;
    style_ = Value;
    Changed(false);
}
void THTMLStatusPanel::SetWidth(int Value) { width_ = Value; Changed(true); }
void THTMLStatusPanel::SetTimeFormat(const AnsiString& Value) { timeFormat_ = Value; Changed(true); }
void THTMLStatusPanel::SetDateFormat(const AnsiString& Value) { dateFormat_ = Value; Changed(true); }
void THTMLStatusPanel::SetHint(const AnsiString& Value) { hint_ = Value; Changed(true); }
void THTMLStatusPanel::SetProgress(TProgressStyle* Value) { progress_->Assign(Value); }

void THTMLStatusPanel::ProgressChanged() {
    auto* panels = dynamic_cast<THTMLStatusPanels*>(Collection());
    if (panels && panels->Bar()) panels->Bar()->UpdatePanel(Index(), false);
}

// ---- THTMLStatusPanels --------------------------------------------------------------------------------------
THTMLStatusPanels::THTMLStatusPanels(THTMLStatusBar* AOwner)
    : TCollection([](TCollection* c) { return new THTMLStatusPanel(c); }), bar_(AOwner) {}

TPersistent* THTMLStatusPanels::GetOwner() const { return bar_; }

void THTMLStatusPanels::Update(TCollectionItem* Item) {
    if (!bar_) return;
    if (Item) bar_->UpdatePanel(Item->Index(), false);
    else bar_->UpdatePanels(true, false);
}

// ---- THTMLStatusBar -----------------------------------------------------------------------------------------
THTMLStatusBar::THTMLStatusBar(TComponent* AOwner)
    : TCustomControl(AOwner), TAnchorMouse(this, {.ReenterOffHand = true, .RestoreCursor = false}),
      panels_(std::make_unique<THTMLStatusPanels>(this)) {
    SetColor(clBtnFace);
    SetParentColor(false);
    SetParentFont(false);
    SetUseSystemFont(true);
    SetBounds(Left(), Top(), Width(), 19);
    SetAlign(alBottom);
    DoubleBuffered = true;
    UpdatePanels(true, false);
    timerRunning_ = SetTimer(Handle(), TimerID, 100, nullptr) != 0;
}

THTMLStatusBar::~THTMLStatusBar() {
    if (timerRunning_) KillTimer(Handle(), TimerID);
    // The panels go first: their changes must no longer reach the bar.
    panels_.reset();
}

void THTMLStatusBar::Loaded() {
    TCustomControl::Loaded();
    UpdateStatusBar();
}

void THTMLStatusBar::SetImages(TCustomImageList* Value) {
    images_ = Value;
    Invalidate();
}

void THTMLStatusBar::SetSimplePanel(bool Value) {
    if (simplePanel_ == Value) return;
    simplePanel_ = Value;
    Invalidate();
}

void THTMLStatusBar::SetSimpleText(const AnsiString& Value) {
    if (simpleText_ == Value) return;
    simpleText_ = Value;
    Invalidate();
}

void THTMLStatusBar::SetSizeGrip(bool Value) {
    if (sizeGrip_ == Value) return;
    sizeGrip_ = Value;
    Invalidate();
}

void THTMLStatusBar::SetUseSystemFont(bool Value) {
    useSystemFont_ = Value;
    SyncToSystemFont();
}

void THTMLStatusBar::SyncToSystemFont() {
    if (useSystemFont_) Forms::GetStatusFont(Font());
}

bool THTMLStatusBar::GripShown() const {
    if (!sizeGrip_) return false;
    auto* form = dynamic_cast<TCustomForm*>(GetParentForm(this));
    return form && (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin);
}

void THTMLStatusBar::MarkAll() {
    if (!panels_) return;
    for (int i = 0; i < panels_->Count(); ++i) panels_->Items(i)->ChangedFlag = true;
}

void THTMLStatusBar::UpdatePanels(bool Parts, bool Texts) {
    if (!panels_) return;
    if (Parts) {
        parts_.clear();
        const int n = std::min(panels_->Count(), MaxParts);
        int sum = 0;
        for (int i = 0; i < n; ++i) {
            sum += panels_->Items(i)->Width();
            parts_.push_back(i == n - 1 ? -1 : sum);
        }
        if (n == 0) parts_.push_back(-1);
        sent_.assign(parts_.size(), AnsiString());
        MarkAll();
        Invalidate();
    }
    const int n = std::min(panels_->Count(), MaxParts);
    for (int i = 0; i < n; ++i) UpdatePanel(i, Texts);
}

void THTMLStatusBar::UpdatePanel(int Index, bool Send) {
    if (!panels_ || Index < 0 || Index >= panels_->Count()) return;
    THTMLStatusPanel* p = panels_->Items(Index);
    if (!Send) {
        p->ChangedFlag = true;
        Invalidate();
        return;
    }
    if (!p->ChangedFlag || Index >= static_cast<int>(sent_.size())) return;
    p->ChangedFlag = false;
    AnsiString text = p->Text();
    if (p->Alignment() == taRightJustify) text = "\t\t" + text;
    else if (p->Alignment() == taCenter) text = "\t" + text;
    sent_[static_cast<std::size_t>(Index)] = text;
}

AnsiString THTMLStatusBar::PanelText(int Index) const {
    return Index >= 0 && Index < static_cast<int>(sent_.size()) ? sent_[static_cast<std::size_t>(Index)] : AnsiString();
}

TRect THTMLStatusBar::PanelRect(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(parts_.size()) || !panels_ || Index >= panels_->Count()) return {};
    const int left = Index == 0 ? 0 : parts_[static_cast<std::size_t>(Index) - 1];
    int right = parts_[static_cast<std::size_t>(Index)];
    if (right < 0) right = ClientWidth();
    // Parts are two pixels apart and sit two pixels below the top edge.
    return TRect(left, 2, std::max(left, right - 2), ClientHeight());
}

int THTMLStatusBar::GetPanel(int X) const {
    const int n = panels_ ? std::min(panels_->Count(), static_cast<int>(parts_.size())) : 0;
    for (int i = 0; i < n; ++i) {
        const TRect r = PanelRect(i);
        if (r.Left <= X && X <= r.Right) return i;
    }
    return -1;
}

AnsiString THTMLStatusBar::IsAnchor(int X, int Y) {
    const int i = GetPanel(X);
    if (i < 0 || simplePanel_) return "";
    THTMLStatusPanel* p = panels_->Items(i);
    if (p->Style() != psHTML) return "";
    TRect r = PanelRect(i);
    InflateRect(r, -1, -1);
    Canvas()->SetFont(Font());
    THTMLDrawResult res;
    if (HTMLDraw(Canvas(), p->Text(), r, images_, X, Y, true, false, 1.0, urlColor_, res)) return res.AnchorVal;
    return "";
}

void THTMLStatusBar::UpdateStatusBar() {
    if (!panels_) return;
    for (int i = 0; i < panels_->Count(); ++i) {
        THTMLStatusPanel* p = panels_->Items(i);
        switch (p->Style()) {
        case psHTML:
            if ((blinkCount_ == 5 || blinkCount_ == 10) && Upper(p->Text()).find("<BLINK") != AnsiString::npos) {
                const AnsiString t = p->Text();
                p->SetText("");
                p->SetText(t);
            }
            break;
        case psTime: p->SetText(SysUtils::FormatDateTime(p->TimeFormat(), SysUtils::Now())); break;
        case psDate: p->SetText(SysUtils::FormatDateTime(p->DateFormat(), SysUtils::Now())); break;
        case psNumLock: p->SetText(LockKeys::KeyToggled(VK_NUMLOCK) ? "NUM" : ""); break;
        case psCapsLock: p->SetText(LockKeys::KeyToggled(VK_CAPITAL) ? "CAP" : ""); break;
        case psScrollLock: p->SetText(LockKeys::KeyToggled(VK_SCROLL) ? "SCRL" : ""); break;
        default: break;
        }
    }
}

bool THTMLStatusBar::DoHint() {
    if (!OnHint) return false;
    OnHint(this);
    return true;
}

bool THTMLStatusBar::ExecuteAction(TObject* Action) {
    if (auto* hint = dynamic_cast<THintAction*>(Action)) return ShowApplicationHint(hint->Hint);
    return TCustomControl::ExecuteAction(Action);
}

bool THTMLStatusBar::ShowApplicationHint(const AnsiString& Hint) {
    if (!autoHint_ || DoHint()) return false;
    if (simplePanel_ || panels_->Count() == 0) SetSimpleText(Hint);
    else panels_->Items(0)->SetText(Hint);
    return true;
}

void THTMLStatusBar::FlipChildren(bool) {
    const int n = panels_->Count();
    if (n < 2) return;
    const int firstWidth = panels_->Items(0)->Width();
    std::vector<int> order;
    for (int i = n - 1; i >= 0; --i) order.push_back(i);
    UpdateGuard update(*panels_);
    panels_->Reorder(order);
    panels_->Items(n - 1)->SetWidth(firstWidth);
    int others = 0;
    for (int i = 1; i < n; ++i) others += panels_->Items(i)->Width();
    panels_->Items(0)->SetWidth(ClientWidth() - others);
}

void THTMLStatusBar::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_TIMER:
        if (Message.WParam == TimerID) {
            UpdateStatusBar();
            if (++blinkCount_ == 11) blinkCount_ = 0;
            Message.Result = 0;
            return;
        }
        break;
    case WM_PAINT: UpdatePanels(false, true); break;
    case WM_GETTEXTLENGTH: Message.Result = static_cast<LRESULT>(simpleText_.size()); return;
    case CM_SYSFONTCHANGED: SyncToSystemFont(); break;
    case CM_PARENTFONTCHANGED:
        // The parent's font wins over the desktop's.
        if (ParentFont()) useSystemFont_ = false;
        break;
    default: break;
    }
    TCustomControl::WndProc(Message);
}

void THTMLStatusBar::Resize() {
    if (!HasState(csLoading)) TCustomControl::Resize();
    Invalidate();
}

void THTMLStatusBar::DrawPartText(const AnsiString& Text, TRect R) {
    // Tabs split the text into a left, a centred and a right-aligned piece, as the system bar reads them.
    AnsiString pieces[3];
    int k = 0;
    for (char ch : Text) {
        if (ch == '\t' && k < 2) ++k;
        else pieces[k] += ch;
    }
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsClear);
    InflateRect(R, -2, 0);
    const unsigned base = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (!pieces[0].empty()) c->DrawText(pieces[0], R, base | DT_LEFT);
    if (!pieces[1].empty()) c->DrawText(pieces[1], R, base | DT_CENTER);
    if (!pieces[2].empty()) c->DrawText(pieces[2], R, base | DT_RIGHT);
}

void THTMLStatusBar::Paint() {
    TCanvas* c = Canvas();
    const TRect client = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(client);
    c->SetFont(Font());
    if (simplePanel_) {
        DrawPartText(simpleText_, TRect(client.Left, 2, client.Right, client.Bottom));
    } else {
        const int n = std::min(panels_->Count(), static_cast<int>(parts_.size()));
        for (int i = 0; i < n; ++i) {
            THTMLStatusPanel* p = panels_->Items(i);
            TRect r = PanelRect(i);
            if (p->Bevel() == pbLowered) ExtCtrls::Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
            else if (p->Bevel() == pbRaised) ExtCtrls::Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
            else InflateRect(r, -1, -1);
            switch (p->Style()) {
            case psHTML: case psOwnerDraw: case psProgress:
                // Owner-drawn: the bar's font on a solid button-face brush, clipped to the part.
                c->SetFont(Font());
                c->Brush()->SetStyle(bsSolid);
                c->Brush()->SetColor(clBtnFace);
                c->IntersectClipRect(r);
                DrawPanel(p, r);
                c->ResetClip();
                break;
            default:
                c->SetFont(Font());
                DrawPartText(PanelText(i), r);
                break;
            }
        }
    }
    if (GripShown()) {
        // Three diagonal ridges in the corner.
        const int R = client.Right - 1, B = client.Bottom - 1;
        for (int k = 0; k < 3; ++k) {
            const int d = 4 * k + 3;
            c->Pen()->SetColor(clBtnHighlight);
            c->MoveTo(R - d - 1, B);
            c->LineTo(R + 1, B - d - 2);
            c->Pen()->SetColor(clBtnShadow);
            c->MoveTo(R - d, B);
            c->LineTo(R + 1, B - d - 1);
        }
    }
}

void THTMLStatusBar::DrawPanel(THTMLStatusPanel* Panel, const TRect& Rect) {
    TCanvas* c = Canvas();
    switch (Panel->Style()) {
    case psHTML: {
        THTMLDrawResult res;
        HTMLDraw(c, Panel->Text(), Rect, images_, -1, -1, false, blinkCount_ >= 6, 1.0, urlColor_, res);
        return;
    }
    case psProgress: {
        TProgressStyle* ps = Panel->Progress();
        const TColor saved = c->Brush()->Color();
        c->Brush()->SetColor(ps->Color());
        c->Pen()->SetColor(ps->Color());
        c->Font()->SetColor(ps->TextColor());
        TRect r = Rect;
        InflateRect(r, -2, -2);
        const AnsiString text = ps->Text();
        const int fill = r.Left + ps->FillWidth(r.Width());
        const int x = r.Left + (r.Width() - c->TextWidth(text)) / 2;
        const int y = r.Top + (r.Height() - c->TextHeight(text)) / 2;
        c->TextRect(TRect(r.Left, r.Top, fill, r.Bottom), x, y, text);
        c->Brush()->SetColor(ps->BackGround());
        c->Pen()->SetColor(ps->BackGround());
        // Inverted from the colour itself: a system colour has no bits to invert.
        c->Font()->SetColor(Graphics::ColorToRGB(ps->BackGround()) ^ 0xFFFFFF);
        c->TextRect(TRect(fill, r.Top, r.Right, r.Bottom), x, y, text);
        c->Brush()->SetColor(saved);
        c->Pen()->SetColor(saved);
        InflateRect(r, 1, 1);
        c->FrameRect(r);
        InflateRect(r, 1, 1);
        c->FrameRect(r);
        return;
    }
    default:
        if (OnDrawPanel) OnDrawPanel(this, Panel, Rect);
        else c->FillRect(Rect);
        return;
    }
}

void THTMLStatusBar::MouseMove(TShiftState Shift, int X, int Y) {
    const AnsiString anchor = IsAnchor(X, Y);
    const int panel = GetPanel(X);
    if (panel != lastPanel_) {
        if (Application) Application->CancelHint();
        lastPanel_ = panel;
    }
    // Anchors have no number here: the same anchor is entered again only once the hand has gone.
    AnchorMove(anchor, 0, TRect(), anchorHover_);
    TCustomControl::MouseMove(Shift, X, Y);
}

void THTMLStatusBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    AnchorClick(IsAnchor(X, Y), ShellOpen());
}

LRESULT THTMLStatusBar::HintShow(THintInfo& HintInfo) {
    const int i = GetPanel(HintInfo.CursorPos.X);
    if (i >= 0 && !simplePanel_) {
        THTMLStatusPanel* p = panels_->Items(i);
        if (p->Style() != psHTML) {
            if (!p->Hint().empty()) HintInfo.HintStr = p->Hint();
        } else {
            const AnsiString anchor = AnchorHint() ? IsAnchor(HintInfo.CursorPos.X, HintInfo.CursorPos.Y) : AnsiString();
            if (!anchor.empty()) {
                AnchorHintShow(HintInfo, anchor);
            } else if (!p->Hint().empty()) {
                HintInfo.HintStr = p->Hint();
            }
        }
    }
    return 0;
}
