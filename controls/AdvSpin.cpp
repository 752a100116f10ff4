#include "AdvSpin.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Resources.h"

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

// Position of the n-th (0-based) occurrence of c, or npos.
std::size_t NthPos(const std::string& s, char c, int n) {
    std::size_t p = std::string::npos;
    for (int i = 0; i <= n; ++i) {
        p = s.find(c, p == std::string::npos ? 0 : p + 1);
        if (p == std::string::npos) break;
    }
    return p;
}

// No glyph of one's own means the program's arrow bitmap Resource.
void SetArrowGlyph(TAdvTimerSpeedButton* Button, TBitmap* Value, const char* Resource) {
    if (Value) {
        Button->SetGlyph(Value);
        return;
    }
    TBitmap arrow;
    Resources::LoadBitmap(&arrow, Resource);
    Button->SetGlyph(&arrow);
}
} // namespace

// ---- TAdvTimerSpeedButton ----------------------------------------------------------------------------------
TAdvTimerSpeedButton::TAdvTimerSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {}

TAdvTimerSpeedButton::~TAdvTimerSpeedButton() = default;

void TAdvTimerSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (TimeBtnState.Contains(tbAllowTimer) && Button == mbLeft && Enabled()) {
        if (!repeatTimer_) {
            repeatTimer_ = new TTimer(this);
            repeatTimer_->SetEnabled(false);
            repeatTimer_->OnTimer = [this](TObject* Sender) { TimerExpired(Sender); };
        }
        repeatTimer_->SetInterval(InitRepeatPause);
        repeatTimer_->SetEnabled(true);
    }
    if (Parent()) Parent()->Invalidate();
}

void TAdvTimerSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseUp(Button, Shift, X, Y);
    if (repeatTimer_) repeatTimer_->SetEnabled(false);
    if (Parent()) Parent()->Invalidate();
}

void TAdvTimerSpeedButton::TimerExpired(TObject*) {
    repeatTimer_->SetInterval(RepeatPause);
    // Held down means pressed and still over the button: the press keeps the mouse until release.
    if (state_ == bsDown && dragging_) {
        try {
            Click();
        } catch (...) {
            repeatTimer_->SetEnabled(false);
            throw;
        }
    }
}

void TAdvTimerSpeedButton::Paint() {
    const bool pressed = state_ == bsDown || state_ == bsExclusive;
    if (ArrowKind == 0 || ArrowKind == 1) {
        unsigned st = ArrowKind == 0 ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT;
        if (pressed) st |= DFCS_PUSHED;
        if (Flat()) st |= DFCS_FLAT;
        if (!Enabled()) st |= DFCS_INACTIVE;
        Buttons::DrawFrameControl(Canvas(), ClientRect(), DFC_SCROLL, st);
        return;
    }
    TRect r = ClientRect();
    PaintFrame(r);
    if (!Glyph()->Empty() && (Enabled() || NumGlyphs() > 1)) {
        PaintGlyph(r);
        return;
    }
    if (!Glyph()->Empty()) {
        // A glyph without a disabled cell shows its shape in the grey of disabled text.
        TBitmap grey;
        grey.Assign(Glyph());
        const TColor back = Glyph()->TransparentColor(), ink = Graphics::ColorToRGB(clGrayText);
        for (int y = 0; y < grey.Height(); ++y)
            for (int x = 0; x < grey.Width(); ++x)
                if (grey.Canvas()->Pixels(x, y) != back) grey.Canvas()->SetPixels(x, y, ink);
        const int w = grey.Width(), h = grey.Height();
        const int x = r.Left + (r.Width() - w) / 2, y = r.Top + (r.Height() - h) / 2;
        Canvas()->BrushCopy({x, y, x + w, y + h}, &grey, {0, 0, w, h}, back);
        return;
    }
    // Without any glyph (the program lacks its arrow bitmaps) the button draws its arrow.
    if (pressed) OffsetRect(r, 1, 1);
    Buttons::DrawArrow(Canvas(), r, ArrowKind, Enabled() ? clBtnText : clGrayText);
}

// ---- TAdvSpinButton -----------------------------------------------------------------------------------------
TAdvSpinButton::TAdvSpinButton(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = ControlStyle - TControlStyle{csAcceptsControls, csSetCaption} + TControlStyle{csOpaque};
    upButton_ = CreateButton();
    downButton_ = CreateButton();
    upButton_->ArrowKind = 2;
    downButton_->ArrowKind = 3;
    focusedButton_ = upButton_;
    SetUpGlyph(nullptr);
    SetDownGlyph(nullptr);
    SetBounds(0, 0, 15, 25);
}

TAdvTimerSpeedButton* TAdvSpinButton::CreateButton() {
    auto* b = new TAdvTimerSpeedButton(this);
    b->OnClick = [this](TObject* Sender) { BtnClick(Sender); };
    b->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState, int, int) { BtnMouseDown(Sender, Button); };
    b->TimeBtnState << tbAllowTimer;
    b->SetParent(this);
    return b;
}

void TAdvSpinButton::AdjustSize(int& W, int& H) {
    if (!upButton_ || !downButton_) return;
    if (direction_ == spVertical) {
        W = std::max(W, 15);
        const int half = H / 2;
        upButton_->SetBounds(0, 0, W, half);
        // The two faces share the line between them.
        downButton_->SetBounds(0, half - 1, W, H - half + 1);
    } else {
        W = std::max(W, 20);
        const int half = W / 2;
        downButton_->SetBounds(0, 0, half, H);
        upButton_->SetBounds(half, 0, W - half, H);
    }
}

void TAdvSpinButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    AdjustSize(AWidth, AHeight);
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TAdvSpinButton::SetDirection(TSpinDirection Value) {
    if (direction_ == Value) return;
    direction_ = Value;
    upButton_->ArrowKind = Value == spVertical ? 2 : 1;
    downButton_->ArrowKind = Value == spVertical ? 3 : 0;
    SetBounds(Left(), Top(), Width(), Height());
    upButton_->Invalidate();
    downButton_->Invalidate();
}

void TAdvSpinButton::SetUpGlyph(TBitmap* Value) { SetArrowGlyph(upButton_, Value, "AdvSpinUp"); }
void TAdvSpinButton::SetDownGlyph(TBitmap* Value) { SetArrowGlyph(downButton_, Value, "AdvSpinDown"); }

void TAdvSpinButton::SetFlat(bool Value) {
    upButton_->SetFlat(Value);
    downButton_->SetFlat(Value);
}

void TAdvSpinButton::SetTransparent(bool Value) {
    upButton_->SetTransparent(Value);
    downButton_->SetTransparent(Value);
}

void TAdvSpinButton::BtnClick(TObject* Sender) {
    if (Sender == upButton_) {
        if (OnUpClick) OnUpClick(this);
    } else if (OnDownClick) {
        OnDownClick(this);
    }
}

void TAdvSpinButton::SetFocusBtn(TAdvTimerSpeedButton* Btn) {
    if (TabStop() && CanFocus() && Btn != focusedButton_) {
        if (focusedButton_) focusedButton_->TimeBtnState >> tbFocusRect;
        focusedButton_ = Btn;
        if (Focused()) {
            focusedButton_->TimeBtnState << tbFocusRect;
            Invalidate();
        }
    } else if (!TabStop()) {
        focusedButton_ = Btn;
    }
}

void TAdvSpinButton::BtnMouseDown(TObject* Sender, TMouseButton Button) {
    if (Button != mbLeft) return;
    SetFocusBtn(static_cast<TAdvTimerSpeedButton*>(Sender));
    if (FocusControl && FocusControl->TabStop() && FocusControl->CanFocus() && !FocusControl->Focused())
        FocusControl->SetFocus();
    else if (TabStop() && CanFocus() && !Focused())
        SetFocus();
}

void TAdvSpinButton::KeyDown(Word& Key, TShiftState Shift) {
    switch (Key) {
    case VK_UP:
        SetFocusBtn(upButton_);
        upButton_->Click();
        break;
    case VK_DOWN:
        SetFocusBtn(downButton_);
        downButton_->Click();
        break;
    case VK_SPACE:
        if (focusedButton_) focusedButton_->Click();
        break;
    default: break;
    }
    TWinControl::KeyDown(Key, Shift);
}

// ---- TAdvSpinEdit: construction and layout -----------------------------------------------------------------
TAdvSpinEdit::TAdvSpinEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {
    ControlStyle = ControlStyle - TControlStyle{csSetCaption};
    button_ = new TAdvSpinButton(this);
    button_->FocusControl = this;
    button_->OnUpClick = [this](TObject* Sender) { UpClick(Sender); };
    button_->OnDownClick = [this](TObject* Sender) { DownClick(Sender); };
    button_->SetParent(this);
    SetText("0");
    SetBounds(Left(), Top(), 121, 21);
}

TAdvSpinEdit::~TAdvSpinEdit() = default;

int TAdvSpinEdit::MinHeight() const {
    TCanvas c;
    const TTextMetric sys = c.TextMetrics();
    c.SetFont(Font());
    const TTextMetric own = c.TextMetrics();
    const int i = std::min(sys.tmHeight, own.tmHeight);
    if (BorderStyle() == bsSingle) return own.tmHeight + i / 4 + 4 * GetSystemMetrics(SM_CYBORDER) + 2;
    return own.tmHeight + i / 4 + 2;
}

void TAdvSpinEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (button_) AHeight = std::max(AHeight, MinHeight());
    TCustomMaskEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!button_) return;
    PlaceButtons();
    SetEditRect();
    UpdateLabel();
}

void TAdvSpinEdit::PlaceButtons() {
    const bool border = BorderStyle() == bsSingle;
    const int b = border ? 5 : 1;
    // The edit's client area here includes its two-pixel border, so the pair moves in by that much.
    const int off = border ? 2 : 0;
    button_->SetBounds(Width() - ButtonWidth() - b + off, off, ButtonWidth(), Height() - b);
}

void TAdvSpinEdit::SetEditRect() {
    const bool border = BorderStyle() == bsSingle;
    const int off = border ? 2 : 0;
    const int cw = Width() - 2 * off, ch = Height() - 2 * off;
    const int bw = button_ ? button_->Width() : ButtonWidth();
    TRect r;
    if (flat_) {
        r = {off + 2, off + 4, off + cw - bw - 4, off + ch - 4};
    } else {
        const int m = border ? 0 : 2;
        r = {off + m, off + m, off + cw - bw - 2 - m, off + ch + 1};
    }
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TAdvSpinEdit::Nudge() {
    // Re-layout through a resize, as a change of the window's width would.
    SetWidth(Width() + 1);
    SetWidth(Width() - 1);
}

void TAdvSpinEdit::SetDirection(TSpinDirection Value) {
    if (direction_ == Value) return;
    direction_ = Value;
    button_->SetDirection(Value);
    button_->SetWidth(ButtonWidth());
    Nudge();
}

void TAdvSpinEdit::SetSpinFlat(bool Value) {
    spinFlat_ = Value;
    button_->SetFlat(Value);
}

void TAdvSpinEdit::SetSpinTransparent(bool Value) {
    spinTransparent_ = Value;
    button_->SetTransparent(Value);
    Nudge();
}

void TAdvSpinEdit::SetFlat(bool Value) {
    flat_ = Value;
    SetBorderStyle(Value ? bsNone : bsSingle);
    PlaceButtons();
    SetEditRect();
    Invalidate();
}

void TAdvSpinEdit::SetTransparent(bool Value) {
    transparent_ = Value;
    SetPaintBackground(!Value);
    Invalidate();
}

void TAdvSpinEdit::Paint() {
    if (!flat_) return;
    const TRect r = FormatRect();
    TCanvas* c = Canvas();
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    c->Pen()->SetColor(flatLineColor_);
    c->MoveTo(r.Left, Height() - 2);
    c->LineTo(r.Right, Height() - 2);
}

void TAdvSpinEdit::Change() {
    // A transparent edit shows the parent through the old text's place too.
    if (transparent_) Invalidate();
    TCustomMaskEdit::Change();
}

void TAdvSpinEdit::FontChanged() {
    TCustomMaskEdit::FontChanged();
    if (EditLabel() && Loading()) label_.Font()->Assign(Font());
    if (button_) {
        SetEditRect();
        if (Height() < MinHeight()) SetHeight(MinHeight());
    }
}

void TAdvSpinEdit::Loaded() {
    TCustomMaskEdit::Loaded();
    switch (spinType_) {
    case sptDate: SetDateValue(dateValue_); break;
    case sptTime: SetTimeValue(timeValue_); break;
    case sptHex: SetHexValue(hexValue_); break;
    default: break;
    }
    SetSpinType(spinType_);
    SetFlat(flat_);
}

// ---- values ----------------------------------------------------------------------------------------------------
int TAdvSpinEdit::CheckValue(int NewValue) const {
    if (MinValue == MaxValue) return NewValue;
    return std::clamp(NewValue, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
}

int TAdvSpinEdit::StepFrom(std::int64_t Value, std::int64_t Delta, bool InRange) const {
    std::int64_t lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    if (InRange && MinValue != MaxValue) {
        lo = std::min(MinValue, MaxValue);
        hi = std::max(MinValue, MaxValue);
    }
    return static_cast<int>(std::clamp(Value + Delta, lo, hi));
}

int TAdvSpinEdit::Value() const {
    int v = 0;
    return SysUtils::TryStrToInt(Text(), v) ? v : MinValue;
}

void TAdvSpinEdit::SetValue(int Value) {
    SetText(SysUtils::IntToStr(CheckValue(Value)));
    if (!editorEnabled_) SelectAll();
}

double TAdvSpinEdit::FloatValue() const {
    double v = 0;
    return SysUtils::TryStrToFloat(Text(), v) ? v : MinValue;
}

void TAdvSpinEdit::SetFloatValue(double Value) {
    if (MinFloatValue != MaxFloatValue)
        Value = std::clamp(Value, std::min(MinFloatValue, MaxFloatValue), std::max(MinFloatValue, MaxFloatValue));
    SetText(precision_ > 0 ? AdvEdit::FormatFixed(Value, precision_, false) : AdvEdit::FormatGeneral(Value));
}

TDateTime TAdvSpinEdit::DateValue() const {
    const AnsiString t = Text();
    TDateTime d;
    // Text that is no date reads as now, as an empty edit does.
    if (t != "0" && !t.empty() && SysUtils::TryStrToDate(t, d)) return d;
    return SysUtils::Now();
}

void TAdvSpinEdit::SetDateValue(TDateTime Value) {
    if (!Loading() && MinDateValue != MaxDateValue)
        Value = std::clamp(static_cast<double>(Value), std::min<double>(MinDateValue, MaxDateValue),
                           std::max<double>(MinDateValue, MaxDateValue));
    dateValue_ = Value;
    if (Loading()) return;
    const int ss = SelStart();
    SetText(SysUtils::DateToStr(Value));
    SetSelStart(ss);
}

TDateTime TAdvSpinEdit::TimeValue() const {
    TDateTime t;
    return SysUtils::TryStrToTime(Text(), t) ? t : TDateTime(0.0);
}

void TAdvSpinEdit::SetTimeValue(TDateTime Value) {
    timeValue_ = Value;
    if (Loading()) return;
    const int ss = SelStart();
    SetText(SysUtils::TimeToStr(Value));
    SetSelStart(ss);
}

int TAdvSpinEdit::HexValue() const {
    const AnsiString t = Text();
    const std::string s = t.size() > 2 ? t.substr(2) : std::string();
    unsigned v = 0;
    for (std::size_t i = 0; i < s.size(); i += 2) {
        if (i + 1 < s.size()) v = v * 256u + static_cast<unsigned>(HexDigit(s[i]) * 16 + HexDigit(s[i + 1]));
        else v = v * 16u + static_cast<unsigned>(HexDigit(s[i]));
    }
    return static_cast<int>(v);
}

void TAdvSpinEdit::SetHexValue(int Value) {
    hexValue_ = Value;
    if (Loading()) return;
    SetText("0x" + SysUtils::IntToHex(static_cast<unsigned>(Value), 0));
}

void TAdvSpinEdit::SetPrecision(int Value) {
    precision_ = std::max(0, Value);
    if (spinType_ == sptFloat && !Loading()) SetFloatValue(FloatValue());
}

void TAdvSpinEdit::SetSpinType(TAdvSpinType AValue) {
    spinType_ = AValue;
    if (Loading()) return;
    switch (AValue) {
    case sptNormal: SetValue(Value()); break;
    case sptFloat: SetFloatValue(FloatValue()); break;
    case sptDate: SetDateValue(dateValue_ != 0 ? dateValue_ : DateValue()); break;
    case sptTime: SetTimeValue(timeValue_); break;
    case sptHex: SetHexValue(hexValue_); break;
    }
}

// ---- steps ------------------------------------------------------------------------------------------------------
void TAdvSpinEdit::UpClick(TObject*) { Step(1); }
void TAdvSpinEdit::DownClick(TObject*) { Step(-1); }
void TAdvSpinEdit::IncSmart() { SmartStep(1); }
void TAdvSpinEdit::DecSmart() { SmartStep(-1); }

void TAdvSpinEdit::Step(int Sign) {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    const int ss = SelStart(), sl = SelLength();
    const std::string text = Text();
    const std::size_t caret = static_cast<std::size_t>(ss);
    switch (spinType_) {
    case sptNormal:
        if (IncrementSmart) SmartStep(Sign);
        else SetValue(StepFrom(Value(), std::int64_t{Sign} * Increment));
        break;
    case sptFloat:
        if (IncrementSmart) SmartStep(Sign);
        else SetFloatValue(FloatValue() + Sign * IncrementFloat);
        break;
    case sptDate: {
        // Day, month and year by the part the caret stands in.
        const std::size_t p1 = NthPos(text, SysUtils::DateSeparator, 0);
        const std::size_t p2 = NthPos(text, SysUtils::DateSeparator, 1);
        const TDateTime d = DateValue();
        if (p1 != std::string::npos && caret <= p1) SetDateValue(static_cast<double>(d) + Sign);
        else if (p2 != std::string::npos && caret <= p2) SetDateValue(SysUtils::IncMonth(d, Sign));
        // A year from 29 February lands on the 28th in a common year.
        else SetDateValue(SysUtils::IncMonth(d, 12 * Sign));
        break;
    }
    case sptTime: {
        const std::size_t p1 = NthPos(text, SysUtils::TimeSeparator, 0);
        const std::size_t p2 = NthPos(text, SysUtils::TimeSeparator, 1);
        double delta = 1.0 / 86400;
        if (p1 != std::string::npos && caret <= p1) delta = 1.0 / 24;
        else if (p2 != std::string::npos && caret <= p2) delta = 1.0 / 1440;
        double t = static_cast<double>(TimeValue()) + Sign * delta;
        // A time of day wraps over midnight.
        t -= std::floor(t + 1e-9);
        if (t < 0) t = 0;
        SetTimeValue(t);
        break;
    }
    // A hexadecimal value meets its range only when the edit is left.
    case sptHex: SetHexValue(StepFrom(HexValue(), std::int64_t{Sign} * Increment, false)); break;
    }
    SetSelStart(ss);
    SetSelLength(sl);
}

void TAdvSpinEdit::SmartStep(int Sign) {
    const int ss = SelStart(), sl = SelLength();
    const std::string text = Text();
    const int n = static_cast<int>(text.size());
    const int c = n - ss;
    const std::size_t dp = text.find(SysUtils::DecimalSeparator);
    const int d = dp == std::string::npos ? -1 : n - static_cast<int>(dp + 1);
    const bool minus = text.find('-') != std::string::npos;
    if (ss == 0 || (minus && ss == 1)) {
        if (spinType_ == sptNormal) SetValue(StepFrom(Value(), std::int64_t{Sign} * Increment));
        else if (spinType_ == sptFloat) SetFloatValue(FloatValue() + Sign * IncrementFloat);
    } else if (d > c) {
        if (spinType_ == sptFloat) SetFloatValue(FloatValue() + Sign / std::pow(10.0, d - c));
    } else {
        const int e = c - d - 1;
        if (spinType_ == sptNormal) {
            // Past ten digits the step is beyond any int; it stops growing there.
            std::int64_t step = 1;
            for (int i = 0; i < e && step <= std::numeric_limits<int>::max(); ++i) step *= 10;
            SetValue(StepFrom(Value(), Sign * step));
        } else if (spinType_ == sptFloat) {
            SetFloatValue(FloatValue() + Sign * (e < 1 ? 1.0 : std::pow(10.0, e)));
        }
    }
    SetSelStart(ss);
    SetSelLength(sl);
}

// ---- keys and focus ------------------------------------------------------------------------------------------------
void TAdvSpinEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PASTE:
    case WM_CUT:
        if (!editorEnabled_ || ReadOnly()) return;
        break;
    case WM_LBUTTONDOWN: {
        // The click that enters a spin edit without typing keeps the whole text selected.
        const bool entering = !Focused();
        TCustomMaskEdit::WndProc(Message);
        if (entering && Focused() && !editorEnabled_ && AutoSelect()) SelectAll();
        return;
    }
    case WM_KEYDOWN: {
        const Word k = Message.CharCode();
        const bool keep = k < 33 || k == VK_UP || k == VK_DOWN || k == VK_PRIOR || k == VK_NEXT;
        if (!keep) break;
        const int ss = SelStart(), sl = SelLength();
        TCustomMaskEdit::WndProc(Message);
        SetSelStart(ss);
        SetSelLength(sl);
        return;
    }
    default: break;
    }
    TCustomMaskEdit::WndProc(Message);
}

void TAdvSpinEdit::KeyDown(Word& Key, TShiftState Shift) {
    const bool smartKind = spinType_ == sptNormal || spinType_ == sptFloat;
    switch (Key) {
    case VK_UP:
        if (IncrementSmart && SelLength() == 0 && smartKind) IncSmart();
        else UpClick(this);
        break;
    case VK_DOWN:
        if (IncrementSmart && SelLength() == 0 && smartKind) DecSmart();
        else DownClick(this);
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const int sign = Key == VK_PRIOR ? 1 : -1;
        if (IncrementSmart && SelLength() == 0) SmartStep(sign);
        else if (spinType_ == sptNormal) SetValue(StepFrom(Value(), std::int64_t{sign} * IncrementPage));
        else if (spinType_ == sptFloat) SetFloatValue(FloatValue() + sign * IncrementFloatPage);
        break;
    }
    case VK_RETURN:
        if (ReturnIsTab) {
            // The Tab arrives as its own key and moves the focus on.
            PostMessage(Handle(), WM_KEYDOWN, VK_TAB, 0);
            Key = 0;
        }
        break;
    case VK_DELETE:
        if (!editorEnabled_ || (spinType_ == sptHex && SelStart() < 2)) Key = 0;
        break;
    default: break;
    }
    if (Key) TCustomMaskEdit::KeyDown(Key, Shift);
}

bool TAdvSpinEdit::IsValidChar(char32_t& Key) {
    const bool control = Key < 32;
    const char32_t dec = static_cast<unsigned char>(SysUtils::DecimalSeparator);
    const char32_t thou = static_cast<unsigned char>(SysUtils::ThousandSeparator);
    const char32_t tsep = static_cast<unsigned char>(SysUtils::TimeSeparator);
    const char32_t dsep = static_cast<unsigned char>(SysUtils::DateSeparator);
    const std::string text = Text();
    const int caret = SelStart();
    if (!editorEnabled_) return control && Key != 8 && Key != 13;
    if (spinType_ == sptHex) {
        const bool digit = (Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'F') || (Key >= 'a' && Key <= 'f');
        if (!digit && !(control && Key != 13)) return false;
        // The "0x" in front stays.
        if (digit || Key == 8) {
            if (caret < 2) return false;
            if (Key == 8 && caret == 2 && SelLength() == 0) return false;
        }
        return true;
    }
    const bool known = Key == '+' || Key == '-' || (Key >= '0' && Key <= '9') || Key == dec || Key == thou ||
                       Key == tsep || Key == dsep || (control && Key != 13);
    if (!known) return false;
    if (spinType_ == sptFloat && Key != 8 && Key != 13 && Key != 27) {
        if (Key == thou) Key = dec;
        if (Key == dec) {
            // One decimal separator; typing over a selection that holds it may bring it back.
            const std::size_t have = text.find(static_cast<char>(dec));
            const bool replaced = have != std::string::npos && static_cast<int>(have) >= caret &&
                                  static_cast<int>(have) < caret + SelLength();
            if (have != std::string::npos && !replaced) return false;
        }
        const std::size_t dp = text.find(static_cast<char>(dec));
        if (precision_ >= 1 && dp != std::string::npos && SelLength() == 0) {
            const int pos1 = static_cast<int>(dp) + 1;
            if (caret >= pos1 && static_cast<int>(text.size()) >= pos1 + precision_) return false;
        }
        return true;
    }
    if (Key == tsep && (spinType_ != sptTime || std::count(text.begin(), text.end(), static_cast<char>(tsep)) >= 2))
        return false;
    if (Key == dsep && spinType_ != sptDate) return false;
    return true;
}

void TAdvSpinEdit::KeyPress(AnsiString& Key) {
    char32_t c = Key.size() == 1 ? static_cast<unsigned char>(Key[0]) : 0x7FFFFFFF;
    if (Key.empty()) return;
    if (!IsValidChar(c)) {
        Key.clear();
        MessageBeep(0);
        return;
    }
    if (c < 0x80) Key = std::string(1, static_cast<char>(c));
    TCustomMaskEdit::KeyPress(Key);
}

void TAdvSpinEdit::DoEnter() {
    TCustomMaskEdit::DoEnter();
    // Without typing the buttons act on the whole text, even when entered by a click.
    if (AutoSelect() && !editorEnabled_) SelectAll();
}

void TAdvSpinEdit::DoExit() {
    switch (spinType_) {
    case sptNormal: {
        const int v = Value();
        if (CheckValue(v) != v) SetValue(v);
        break;
    }
    case sptHex: {
        const int v = HexValue();
        if (CheckValue(v) != v) SetHexValue(CheckValue(v));
        break;
    }
    case sptFloat: {
        const double v = FloatValue();
        if (MinFloatValue != MaxFloatValue && (v < std::min(MinFloatValue, MaxFloatValue) || v > std::max(MinFloatValue, MaxFloatValue)))
            SetFloatValue(v);
        break;
    }
    case sptDate: {
        const double v = DateValue();
        const double lo = std::min<double>(MinDateValue, MaxDateValue), hi = std::max<double>(MinDateValue, MaxDateValue);
        if (MinDateValue != MaxDateValue && (v < lo || v > hi)) SetDateValue(v);
        break;
    }
    case sptTime:
        // A time of day is not held to the date range: it would turn into a date.
        break;
    }
    TCustomMaskEdit::DoExit();
}

// ---- label and visibility -------------------------------------------------------------------------------------------
void TAdvSpinEdit::SetVisible(bool Value) {
    TCustomMaskEdit::SetVisible(Value);
    label_.EditVisibleChanged(Value);
}

void TAdvSpinEdit::SetParent(TWinControl* AParent) {
    TCustomMaskEdit::SetParent(AParent);
    label_.EditParentChanged(AParent);
}
