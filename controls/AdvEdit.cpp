// The typed edit: value and formatting, key filter, clipboard, colours, label, flat look, URL mode,
// drag and drop and persistence.
#include "AdvEdit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "ShellApi.h"
#include "SysUtils.h"
#include "TextEncoding.h"

using SysUtils::DecimalSeparator;
using SysUtils::ThousandSeparator;

namespace {

int Len(const std::string& s) { return static_cast<int>(TextEncoding::CharCount(s)); }

std::string Sub(const std::string& s, int from, int count = -1) {
    const std::u32string u = TextEncoding::ToUtf32(s);
    if (from < 0) from = 0;
    if (from >= static_cast<int>(u.size())) return {};
    return TextEncoding::ToUtf8(u.substr(static_cast<std::size_t>(from), count < 0 ? std::u32string::npos : static_cast<std::size_t>(count)));
}

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char32_t c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

std::string Remove(std::string s, char c) {
    s.erase(std::remove(s.begin(), s.end(), c), s.end());
    return s;
}

Int64 HexValue(const std::string& s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == '-') {
        negative = true;
        ++i;
    }
    if (i >= s.size()) return 0;
    Int64 v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (!IsHexDigit(static_cast<unsigned char>(c))) return 0;
        const int d = IsDigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10;
        v = (v << 4) + d;
        if (v > 0xFFFFFFFFLL) return 0;
    }
    return negative ? -v : v;
}

std::string HexText(Int64 v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(v)));
    return buf;
}

} // namespace

// ---- number texts -------------------------------------------------------------------------------------------
AnsiString AdvEdit::FormatFixed(double Value, int Decimals, bool Grouped) {
    Decimals = std::clamp(Decimals, 0, 18);
    if (!std::isfinite(Value)) return "0";
    const bool negative = Value < 0;
    double a = std::fabs(Value);
    std::string digits;
    if (a < 1e15) {
        // Decimal rounding, half away from zero, on the value as written with 15 significant digits.
        SysUtils::TryCTextToFloat(SysUtils::FloatToCText(a, 15), a);
        const double scale = std::pow(10.0, Decimals);
        const long double scaled = std::floor(static_cast<long double>(a) * scale + 0.5L + 1e-9L);
        char buf[64];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, scaled, std::chars_format::fixed, 0);
        digits = ec == std::errc() ? std::string(buf, end) : std::string("0");
        while (static_cast<int>(digits.size()) <= Decimals) digits.insert(0, "0");
    } else {
        digits = Remove(SysUtils::FloatToCText(a, Decimals, true), '.');
    }
    std::string intPart = digits.substr(0, digits.size() - static_cast<std::size_t>(Decimals));
    const std::string frac = digits.substr(digits.size() - static_cast<std::size_t>(Decimals));
    if (Grouped) {
        std::string g;
        for (std::size_t i = 0; i < intPart.size(); ++i) {
            if (i > 0 && (intPart.size() - i) % 3 == 0) g += ThousandSeparator;
            g += intPart[i];
        }
        intPart = g;
    }
    std::string out = intPart;
    if (Decimals > 0) out += DecimalSeparator + frac;
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    return negative && !zero ? "-" + out : out;
}

AnsiString AdvEdit::FormatGeneral(double Value) {
    std::string s = SysUtils::FloatToCText(Value, 15);
    for (char& c : s) {
        if (c == '.') c = DecimalSeparator;
    }
    return s;
}

// ---- classification -------------------------------------------------------------------------------------------
TAdvEdit::TTextKind TAdvEdit::Classify(const AnsiString& Text) {
    if (Text.empty()) return tkPlain;
    const std::u32string u = TextEncoding::ToUtf32(Text);
    bool isInt = true, isFloat = true, isHex = true, digit = false;
    int minus = 0, decimals = 0, lastSep = -1;
    for (std::size_t i = 0; i < u.size(); ++i) {
        const char32_t c = u[i];
        const int pos = static_cast<int>(i) + 1;
        if (c == '-') {
            ++minus;
            // A sign stands first only.
            if (i != 0) isInt = isFloat = isHex = false;
            continue;
        }
        if (IsDigit(c)) digit = true;
        if (c == static_cast<unsigned char>(DecimalSeparator)) ++decimals;
        if (!IsDigit(c)) isInt = false;
        if (!(IsDigit(c) || c == ',' || c == '.' || c == static_cast<unsigned char>(DecimalSeparator) ||
              c == static_cast<unsigned char>(ThousandSeparator)))
            isFloat = false;
        if (c == static_cast<unsigned char>(ThousandSeparator)) {
            if (pos - lastSep < 3) isFloat = false;
            lastSep = pos;
        }
        if (!IsHexDigit(c)) isHex = false;
    }
    if (minus >= 2 || decimals >= 2) return tkPlain;
    const bool hexDigit = isHex && u.find_first_not_of(U"-") != std::u32string::npos;
    if (isHex && !isInt && hexDigit) return tkHex;
    if (!digit) return tkPlain;
    if (isInt) return tkInteger;
    if (isFloat) return tkFloat;
    return tkPlain;
}

AnsiString TAdvEdit::MixedCase(const AnsiString& Text) {
    std::u32string u = TextEncoding::ToUtf32(Text);
    const std::u32string breaks = U" ',-.";
    bool wordStart = true;
    for (std::size_t i = 0; i < u.size(); ++i) {
        const char32_t c = u[i];
        if (breaks.find(c) != std::u32string::npos) {
            wordStart = true;
            continue;
        }
        const std::string one = TextEncoding::ToUtf8(std::u32string(1, c));
        // Lower case for every Latin letter, umlauts included.
        u[i] = TextEncoding::ToUtf32(wordStart ? SysUtils::AnsiUpperCase(one) : SysUtils::AnsiLowerCase(one))[0];
        wordStart = false;
        const std::u32string upTo = u.substr(0, i + 1);
        const int pos = static_cast<int>(i) + 1;
        if (upTo == U"Mc") wordStart = true;
        const std::size_t mc = u.find(U" Mc");
        if (mc != std::u32string::npos && static_cast<int>(mc) + 3 == pos && pos >= 3) wordStart = true;
        if (pos > static_cast<int>(u.size()) - 3) {
            if (pos >= 2 && upTo.substr(upTo.size() - 2) == U" I") wordStart = true;
            if (pos >= 3 && upTo.substr(upTo.size() - 3) == U" II") wordStart = true;
        }
    }
    return TextEncoding::ToUtf8(u);
}

bool TAdvEdit::SeparatorFits(const AnsiString& Value, int Caret) {
    const std::u32string u = TextEncoding::ToUtf32(Value);
    const char32_t t = static_cast<unsigned char>(ThousandSeparator);
    int left = -1, right = -1;
    for (int i = 0; i < static_cast<int>(u.size()); ++i) {
        if (u[static_cast<std::size_t>(i)] != t) continue;
        if (i < Caret) left = i;
        else if (right < 0) right = i;
    }
    if (left < 0 && right < 0) return true;
    // Exactly three places to the nearest separator on either side.
    if (left >= 0 && Caret - left - 1 != 3) return false;
    if (right >= 0 && right - Caret != 3) return false;
    return true;
}

// ---- TAdvEdit: value ---------------------------------------------------------------------------------------------
TAdvEdit::TAdvEdit(TComponent* AOwner) : TCustomEdit(AOwner), persistence_(std::make_unique<TPersistence>()) {
    normalColor_ = Color();
    normalFontColor_ = Font()->Color();
}

TAdvEdit::~TAdvEdit() {
    // The value is kept when the window goes; a failing store must not take the program with it.
    if (!HasState(csDesigning)) {
        try {
            SavePersist();
        } catch (const std::exception& e) {
            std::clog << "Wert von " << Name() << " nicht gespeichert: " << e.what() << '\n';
        }
    }
    if (dropRegistered_) RevokeDragDrop(Handle());
    if (dropTarget_) dropTarget_->Release();
}

AnsiString TAdvEdit::Text() const {
    std::string w = WindowText();
    if (!prefix_.empty() && w.compare(0, prefix_.size(), prefix_) == 0) w.erase(0, prefix_.size());
    // The suffix only when it is there: a value never loses characters of its own.
    if (!suffix_.empty() && w.size() >= suffix_.size() && w.compare(w.size() - suffix_.size(), suffix_.size(), suffix_) == 0)
        w.erase(w.size() - suffix_.size());
    return w;
}

int TAdvEdit::ValueLength() const { return Len(Text()); }

void TAdvEdit::SetText(const AnsiString& Value) {
    std::string v = Value;
    if (!v.empty()) {
        const TTextKind kind = Classify(v);
        if (editType_ == etNumeric && kind != tkInteger) v = "0";
        else if ((editType_ == etFloat || editType_ == etMoney) && kind != tkInteger && kind != tkFloat) v = "0";
        else if (editType_ == etHex && kind != tkInteger && kind != tkHex) v = "0";
    }
    if (precision_ >= 1 && !v.empty()) {
        if (editType_ == etMoney) v = AdvEdit::FormatFixed(EStrToFloat(v), precision_, autoThousandSeparator_);
        else if (editType_ == etFloat) v = AdvEdit::FormatFixed(EStrToFloat(v), precision_, false);
    }
    if (editType_ == etHex) v = SysUtils::UpperCase(v);
    TControl::SetText(prefix_ + v + suffix_);
    TCustomEdit::SetModified(false);
    ownModified_ = false;
    if (showURL_) SetURLLook(TestURL());
    ApplyColors();
}

double TAdvEdit::EStrToFloat(const AnsiString& S) const {
    std::string s = S;
    if (precision_ == 0 && s.find(ThousandSeparator) != std::string::npos) s = Remove(s, ThousandSeparator);
    if (precision_ > 0 && static_cast<int>(s.size()) > precision_) {
        const std::size_t at = s.size() - static_cast<std::size_t>(precision_) - 1;
        if (s[at] == ThousandSeparator) s[at] = DecimalSeparator;
    }
    // Grouping left elsewhere in the text never turns a number into 0.
    if (ThousandSeparator != DecimalSeparator) s = Remove(s, ThousandSeparator);
    double d = 0;
    return SysUtils::TryStrToFloat(s, d) ? d : 0.0;
}

double TAdvEdit::FloatValue() const {
    const std::string v = Text();
    switch (editType_) {
    case etNumeric:
    case etFloat: return v.empty() ? 0.0 : EStrToFloat(v);
    case etMoney: {
        std::string s = Remove(v, ThousandSeparator);
        if (!s.empty() && s.back() == DecimalSeparator) s.pop_back();
        if (s.empty() || s == "-") return 0.0;
        return EStrToFloat(s);
    }
    case etHex: return static_cast<double>(HexValue(v));
    default: return 0.0;
    }
}

int TAdvEdit::IntValue() const {
    const std::string v = Text();
    switch (editType_) {
    case etNumeric:
    case etFloat: return SysUtils::StrToIntDef(v, 0);
    case etMoney: return SysUtils::StrToIntDef(Remove(v, ThousandSeparator), 0);
    case etHex: return static_cast<int>(HexValue(v));
    default: return 0;
    }
}

void TAdvEdit::SetFloatValue(double Value) {
    std::string s;
    bool separators = false;
    switch (editType_) {
    // A numeric edit takes no grouping, so the number is written without it.
    case etNumeric: s = precision_ < 0 ? AdvEdit::FormatGeneral(Value) : AdvEdit::FormatFixed(Value, 0, false); break;
    case etFloat: s = precision_ < 0 ? AdvEdit::FormatGeneral(Value) : AdvEdit::FormatFixed(Value, precision_, false); break;
    case etMoney:
        s = precision_ < 1 ? AdvEdit::FormatGeneral(Value) : AdvEdit::FormatFixed(Value, precision_, false);
        separators = true;
        break;
    case etHex: {
        // Held to what 64 bits hold: a larger double (or a NaN) has no integer to convert to.
        const double limit = 9.2e18;
        const double v = std::isnan(Value) ? 0.0 : std::clamp(std::trunc(Value), -limit, limit);
        s = HexText(static_cast<Int64>(v));
        break;
    }
    default: s = AdvEdit::FormatGeneral(Value); break;
    }
    SetText(s);
    if (separators) AutoSeparators();
    SetModified(true);
}

void TAdvEdit::SetIntValue(int Value) {
    SetText(editType_ == etHex ? HexText(Value) : SysUtils::IntToStr(Value));
    if (editType_ == etMoney) AutoSeparators();
    SetModified(true);
}

void TAdvEdit::SetPrecision(short Value) {
    if (precision_ == Value) return;
    precision_ = Value;
    if (editType_ != etFloat && editType_ != etMoney) return;
    const TTextKind kind = Classify(Text());
    SetFloatValue(kind == tkInteger || kind == tkFloat ? FloatValue() : 0.0);
}

void TAdvEdit::SetEditType(TAdvEditType Value) {
    if (editType_ == Value) return;
    editType_ = Value;
    if (Value == etPassword) {
        SetPasswordChar('*');
        canUndo_ = false;
        editAlign_ = eaLeft;
        RecreateWnd();
    } else {
        SetPasswordChar(0);
    }
    const TTextKind kind = Classify(Text());
    if (Value == etNumeric && kind != tkInteger) SetIntValue(0);
    else if ((Value == etFloat || Value == etMoney) && kind != tkInteger && kind != tkFloat) SetFloatValue(0);
    else if (Value == etHex && kind != tkInteger && kind != tkHex) SetIntValue(0);
}

void TAdvEdit::SetPrefix(const AnsiString& Value) {
    const std::string v = Text();
    prefix_ = Value;
    TControl::SetText(prefix_ + v + suffix_);
}

void TAdvEdit::SetSuffix(const AnsiString& Value) {
    const std::string v = Text();
    suffix_ = Value;
    TControl::SetText(prefix_ + v + suffix_);
}

void TAdvEdit::SetAutoThousandSeparator(bool Value) {
    autoThousandSeparator_ = Value;
    if (editType_ == etFloat || editType_ == etMoney) AutoSeparators();
}

void TAdvEdit::SetEditAlign(TEditAlign Value) {
    editAlign_ = Value;
    RecreateWnd();
}

void TAdvEdit::SetCanUndo(bool Value) {
    canUndo_ = Value;
    RecreateWnd();
}

DWORD TAdvEdit::EditStyle() const {
    DWORD style = TCustomEdit::EditStyle() | ES_MULTILINE;
    if (editAlign_ == eaRight) style |= ES_RIGHT;
    else if (editAlign_ == eaCenter) style |= ES_CENTER;
    return style;
}

int TAdvEdit::FixedLength(const AnsiString& S) {
    const std::string s = Remove(S, ThousandSeparator);
    const std::size_t p = s.find(DecimalSeparator);
    return p == std::string::npos ? Len(s) + 1 : Len(s.substr(0, p)) + 1;
}

int TAdvEdit::DecimalPos() const {
    const std::string v = Text();
    const std::size_t p = v.find(DecimalSeparator);
    if (p == std::string::npos) return Len(prefix_) + Len(v) + Len(suffix_) + 1;
    return Len(prefix_) + Len(v.substr(0, p)) + 1;
}

void TAdvEdit::SelectAll() {
    const int p = Len(prefix_);
    const std::string v = Text();
    int start = p;
    if (showURL_) {
        if (auto i = v.find("://"); i != std::string::npos) start = p + Len(v.substr(0, i + 3));
        else if (auto m = v.find("mailto:"); m != std::string::npos) start = p + Len(v.substr(0, m + 7));
    }
    // Never beyond the value into the suffix.
    Perform(EM_SETSEL, static_cast<WPARAM>(start), p + Len(v));
}

void TAdvEdit::SelectBeforeDecimal() {
    const std::string v = Text();
    const int at = v.find(DecimalSeparator) == std::string::npos ? Len(prefix_) : DecimalPos() - 1;
    SetSelStart(at);
}

void TAdvEdit::SelectAfterDecimal() {
    const std::string v = Text();
    const int at = v.find(DecimalSeparator) == std::string::npos ? Len(prefix_) : DecimalPos();
    SetSelStart(at);
}

void TAdvEdit::ListToRangeStr(TRangeList* List) {
    // The prefix and suffix stay around the range text.
    TControl::SetText(prefix_ + List->ListToStr() + suffix_);
}

TPoint TAdvEdit::PosFromChar(int Index) const {
    const int n = Len(WindowText());
    if (Index >= n && n > 0) {
        // Past the last character: its left edge plus its width.
        const TPoint last = PointFromChar(n - 1);
        const TPoint end = PointFromChar(n);
        return {last.X + (end.X - last.X), last.Y};
    }
    return PointFromChar(Index);
}

int TAdvEdit::TextSize() const {
    TCanvas c;
    c.SetFont(Font());
    return c.TextWidth(Text());
}

void TAdvEdit::AutoSeparators() {
    std::string v = Text();
    if (v.empty()) return;
    std::string sign;
    if (v[0] == '-') {
        sign = "-";
        v.erase(0, 1);
    }
    const std::size_t dp = v.find(DecimalSeparator);
    const std::string fraction = dp == std::string::npos ? std::string() : v.substr(dp);
    const double whole = std::trunc(std::fabs(FloatValue()));
    const std::string intPart = AdvEdit::FormatFixed(whole, 0, autoThousandSeparator_);
    const std::string newValue = sign + intPart + fraction;
    const int delta = Len(newValue) - ValueLength();
    const int caret = SelStart();
    TControl::SetText(prefix_ + newValue + suffix_);
    SetSelStart(std::max(0, caret + delta));
}

void TAdvEdit::SetModified(bool Value) {
    if (HasState(csLoading)) return;
    TCustomEdit::SetModified(Value);
    ownModified_ = Value;
    ApplyColors();
}

void TAdvEdit::SetError(bool Value) {
    if (HasState(csLoading) || HasState(csDesigning) || error_ == Value) return;
    error_ = Value;
    ApplyColors();
}

void TAdvEdit::UserWindowText(const AnsiString& Window, int Start, int Length) {
    TControl::SetText(Window);
    Perform(EM_SETSEL, static_cast<WPARAM>(Start), Start + Length);
    SetModified(true);
    // A change the user made through the setter is still the user's change.
    Perform(CN_COMMAND, MAKEWPARAM(0, EN_CHANGE), 0);
}

// ---- colours ------------------------------------------------------------------------------------------------
void TAdvEdit::ApplyColors() {
    if (applyingColors_) return;
    applyingColors_ = true;
    TColor back = normalColor_, fore = normalFontColor_;
    if (focused_) {
        back = focusColor_;
        fore = focusFontColor_;
    }
    if (showModified_ && ownModified_) fore = ModifiedColor;
    if (urlLook_) fore = URLColor;
    if (error_ && showError_) {
        back = ErrorColor;
        fore = ErrorFontColor;
    }
    if (!Enabled()) back = disabledColor_;
    if (Color() != back) TControl::SetColor(back);
    if (Font()->Color() != fore) Font()->SetColor(fore);
    applyingColors_ = false;
}

void TAdvEdit::SetColor(TColor Value) {
    normalColor_ = Value;
    if (!focused_ && !(error_ && showError_) && Enabled()) TControl::SetColor(Value);
    ApplyColors();
}

void TAdvEdit::SetEnabled(bool Value) {
    TCustomEdit::SetEnabled(Value);
    ApplyColors();
    label_.EditEnabledChanged(Value);
}

void TAdvEdit::SetVisible(bool Value) {
    TCustomEdit::SetVisible(Value);
    label_.EditVisibleChanged(Value);
}

void TAdvEdit::SetParent(TWinControl* AParent) {
    TCustomEdit::SetParent(AParent);
    label_.EditParentChanged(AParent);
}

void TAdvEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (flat_) {
        TRect r{2, 4, Width() - 2, Height() - 4};
        Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    }
    UpdateLabel();
}

// ---- flat look, transparency, URL -------------------------------------------------------------------------------
void TAdvEdit::SetFlat(bool Value) {
    if (flat_ == Value) return;
    flat_ = Value;
    if (Value) {
        normalColor_ = Color();
        borderBeforeFlat_ = BorderStyle();
        if (FlatParentColor && Parent()) {
            focusColor_ = Parent()->Color();
            normalColor_ = Parent()->Color();
        }
        SetBorderStyle(bsNone);
        TRect r{2, 4, Width() - 2, Height() - 4};
        Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    } else {
        SetBorderStyle(borderBeforeFlat_);
        Perform(EM_SETRECTNP, 0, 0);
    }
    ApplyColors();
    Invalidate();
}

void TAdvEdit::SetTransparent(bool Value) {
    transparent_ = Value;
    SetPaintBackground(!Value);
}

bool TAdvEdit::TestURL() const {
    const std::string v = Text();
    if (v.find("://") != std::string::npos) return true;
    const std::size_t at = v.find('@');
    return at != std::string::npos && at > 0;
}

void TAdvEdit::SetShowURL(bool Value) {
    showURL_ = Value;
    SetURLLook(Value && TestURL());
}

void TAdvEdit::SetURLLook(bool Value) {
    if (urlLook_ == Value) return;
    urlLook_ = Value;
    applyingColors_ = true;
    TFontStyles style = Font()->Style();
    if (Value) style << fsUnderline;
    else style >> fsUnderline;
    Font()->SetStyle(style);
    applyingColors_ = false;
    SetCursor(Value ? crHandPoint : crIBeam);
    ApplyColors();
    Invalidate();
}

void TAdvEdit::OpenURL() {
    std::string v = SysUtils::Trim(Text());
    const std::string lower = SysUtils::LowerCase(v);
    // Only addresses are opened, never programs or paths.
    const bool web = lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 ||
                     lower.rfind("ftp://", 0) == 0 || lower.rfind("file://", 0) == 0;
    if (!web) {
        if (lower.rfind("mailto:", 0) != 0) {
            const std::size_t at = v.find('@');
            if (at == std::string::npos || at == 0 || v.find_first_of(" \t/\\") != std::string::npos) return;
            v = "mailto:" + v;
        }
    }
    ShellExecute(nullptr, "open", v.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- drag and drop ------------------------------------------------------------------------------------------------
void TAdvEdit::SetOleDropTarget(bool Value) {
    oleDropTarget_ = Value;
    if (HasState(csDesigning)) return;
    if (Value && !dropRegistered_) {
        if (!dropTarget_) {
            dropTarget_ = new TEditDropTarget(this);
            dropTarget_->AddRef();
        }
        dropRegistered_ = RegisterDragDrop(Handle(), dropTarget_) == S_OK;
    } else if (!Value && dropRegistered_) {
        RevokeDragDrop(Handle());
        dropRegistered_ = false;
    }
}

void TAdvEdit::DrawCaretByCursor(TPoint ClientPoint) {
    const int index = ClientPoint.X < 0 ? -1 : CharFromPoint(ClientPoint);
    if (index == dropCaretIndex_) return;
    dropCaretIndex_ = index;
    dropCaret_ = index < 0 ? TPoint{-1, -1} : PosFromChar(index);
    Invalidate();
}

bool TEditDropTarget::DropText(TPoint Pt, const AnsiString& Text) {
    TAdvEdit* e = edit_;
    std::string text = Text.substr(0, Text.find_first_of("\r\n"));
    // A read-only edit takes nothing, and dropped text follows the rules of pasted text.
    if (e->ReadOnly()) return false;
    const TPoint client = e->ScreenToClient(Pt);
    int index = e->CharFromPoint(client);
    const int selStart = e->SelStart(), selLength = e->SelLength();
    const bool fromSelf = e->draggingFromSelf_;
    if (fromSelf && index >= selStart && index <= selStart + selLength) {
        e->DrawCaretByCursor({-1, -1});
        return false;
    }
    const std::string before = e->WindowText();
    if (fromSelf && !(GetKeyState(VK_CONTROL) < 0)) {
        // A move: the dragged text leaves first; a place behind it moves left with it.
        e->Perform(WM_CLEAR);
        if (index > selStart) index -= selLength;
    }
    e->DrawCaretByCursor({-1, -1});
    e->SetSelStart(index);
    e->SetSelLength(0);
    const std::string window = e->WindowText();
    if (e->EditType() == etString || e->EditType() == etPassword || e->EditType() == etUppercase ||
        e->EditType() == etLowerCase || e->EditType() == etMixedCase) {
        e->SetSelText(text);
    } else {
        const std::u32string w = TextEncoding::ToUtf32(window);
        const std::u32string candidate = w.substr(0, static_cast<std::size_t>(index)) + TextEncoding::ToUtf32(text) + w.substr(static_cast<std::size_t>(index));
        const int p = Len(e->Prefix());
        const std::string value = Sub(TextEncoding::ToUtf8(candidate), p, static_cast<int>(candidate.size()) - p - Len(e->Suffix()));
        const auto kind = TAdvEdit::Classify(value);
        const bool ok = (e->EditType() == etNumeric && kind == TAdvEdit::tkInteger) ||
                        ((e->EditType() == etFloat || e->EditType() == etMoney) && (kind == TAdvEdit::tkInteger || kind == TAdvEdit::tkFloat)) ||
                        (e->EditType() == etHex && (kind == TAdvEdit::tkInteger || kind == TAdvEdit::tkHex)) ||
                        (e->EditType() == etRange && TRangeList().StrToList(value));
        if (!ok) {
            if (before != e->WindowText()) e->UserWindowText(before, selStart, selLength);
            return false;
        }
        e->SetSelText(text);
    }
    e->Invalidate();
    return true;
}

void TEditDropTarget::DragMouseMove(TPoint Pt, bool& Allow) {
    TAEDropTarget::DragMouseMove(Pt, Allow);
    edit_->DrawCaretByCursor(edit_->ScreenToClient(Pt));
}

void TEditDropTarget::DragLeft() { edit_->DrawCaretByCursor({-1, -1}); }

// ---- input --------------------------------------------------------------------------------------------------
void TAdvEdit::ToggleSign() {
    const std::u32string w = TextEncoding::ToUtf32(WindowText());
    const int p = Len(prefix_);
    const std::string v = Text();
    const int caret = SelStart(), length = SelLength();
    if (v.find('-') == std::string::npos) {
        UserWindowText(prefix_ + "-" + v + suffix_, caret + 1);
    } else {
        const std::string rest = Sub(v, 1);
        UserWindowText(prefix_ + rest + suffix_, std::max(p, caret - 1));
    }
    SetSelLength(length);
    (void)w;
}

void TAdvEdit::WMChar(TMessage& Message) {
    char32_t c = static_cast<char32_t>(Message.WParam);
    const char32_t dec = static_cast<unsigned char>(DecimalSeparator);
    const char32_t thou = static_cast<unsigned char>(ThousandSeparator);
    const int p = Len(prefix_);
    const std::string v = Text();
    const int caret = SelStart();
    const int sel = SelLength();
    const bool numeric = editType_ == etNumeric || editType_ == etFloat || editType_ == etMoney;
    auto pass = [&] {
        Message.WParam = c;
        TCustomEdit::WndProc(Message);
    };
    if (c == '\r') {
        if (OnKeyPress) {
            AnsiString key = "\r";
            OnKeyPress(this, key);
        }
        return;
    }
    if (c == 0x1B && !canUndo_) {
        pass();
        return;
    }
    // The clipboard keys reach their messages in every type; those apply the type's rules.
    if (c == 3 || c == 22 || c == 24 || c == 26) {
        pass();
        return;
    }
    if (c == '.' && ExcelStyleDecimalSeparator && (Message.LParam & (1 << 22))) c = dec;
    if (c == 8 && !prefix_.empty() && caret <= p && sel == 0) return;
    if (LengthLimit > 0 && FixedLength(v) > LengthLimit && sel == 0 && caret < DecimalPos() && c != 8 && c != dec) return;
    if (c == 8) {
        const int at = caret - p;
        std::string after = v;
        if (sel > 0) after = Sub(v, 0, at) + Sub(v, at + sel);
        else if (at > 0) after = Sub(v, 0, at - 1) + Sub(v, at);
        if (LengthLimit > 0 && FixedLength(after) - 1 > LengthLimit) return;
    }
    if (numeric && !Signed && c == '-') return;

    const bool control = c == 8 || c == 9 || c == 13;
    switch (editType_) {
    case etString:
    case etPassword: pass(); break;
    case etNumeric:
        if (c == '-') {
            ToggleSign();
            return;
        }
        if (control || IsDigit(c) || GetKeyState(VK_LCONTROL) < 0 || GetKeyState(VK_RCONTROL) < 0 ||
            GetKeyState(VK_CONTROL) < 0)
            pass();
        else
            return;
        break;
    case etFloat:
    case etMoney: {
        const bool money = editType_ == etMoney;
        const bool allowed = control || IsDigit(c) || c == '-' || c == dec ||
                             (!money && (c == ',' || c == '.'));
        if (!allowed) return;
        const std::string selected = SelText();
        const bool hasDec = v.find(DecimalSeparator) != std::string::npos;
        if (c == dec && (money || selected.find(DecimalSeparator) == std::string::npos) && (hasDec || precision_ == 0)) {
            if (precision_ > 0 && hasDec) SetSelStart(DecimalPos());
            return;
        }
        if (!money && c == ',' && v.find(',') != std::string::npos && selected.find(',') == std::string::npos &&
            thou != ',')
            return;
        if ((c == thou && !money) || c == dec) {
            if (!SeparatorFits(v, caret - p)) return;
        }
        if (precision_ > 0 && (IsDigit(c) || c == dec) && hasDec && caret >= DecimalPos()) {
            const std::size_t dp = v.find(DecimalSeparator);
            const int fraction = Len(v.substr(dp + 1));
            if (fraction >= precision_ && sel == 0) {
                if (!IsDigit(c)) return;
                if (caret >= p + Len(v)) return;
                Perform(EM_SETSEL, static_cast<WPARAM>(caret), caret + 1);
            }
        }
        if (c == dec && caret == p && v.empty()) {
            UserWindowText(prefix_ + "0" + DecimalSeparator + suffix_, p + 2);
            return;
        }
        if (c == '-' && sel == 0) {
            ToggleSign();
            return;
        }
        pass();
        const std::string now = Text();
        if (money && !now.empty() && now != "-" && c != dec) {
            SetModified(true);
            AutoSeparators();
        }
        break;
    }
    case etUppercase:
        c = TextEncoding::ToUtf32(SysUtils::AnsiUpperCase(TextEncoding::ToUtf8(std::u32string(1, c))))[0];
        pass();
        break;
    case etLowerCase:
        c = TextEncoding::ToUtf32(SysUtils::AnsiLowerCase(TextEncoding::ToUtf8(std::u32string(1, c))))[0];
        pass();
        break;
    case etMixedCase: {
        pass();
        if (c >= 0x20) {
            const int at = SelStart();
            const std::string mixed = MixedCase(Text());
            if (mixed != Text()) UserWindowText(prefix_ + mixed + suffix_, at);
        }
        break;
    }
    case etRange: {
        if (!(control || IsDigit(c) || c == ',' || c == '-' || c == ';')) return;
        if (c == ',' || c == '-' || c == ';') {
            const std::u32string w = TextEncoding::ToUtf32(WindowText());
            auto isSep = [](char32_t x) { return x == ',' || x == '-' || x == ';'; };
            if (caret <= p) return;
            if (caret > 0 && isSep(w[static_cast<std::size_t>(caret - 1)])) return;
            if (caret < static_cast<int>(w.size()) && isSep(w[static_cast<std::size_t>(caret)])) return;
        }
        pass();
        break;
    }
    case etHex:
        if (!(control || c == '-' || IsHexDigit(c))) return;
        pass();
        break;
    }
    // After a passed character.
    if (TabOnFullLength && LengthLimit > 0 && FixedLength(Text()) > LengthLimit && SelLength() == 0 &&
        SelStart() == p + LengthLimit)
        PostMessage(Handle(), WM_KEYDOWN, VK_TAB, 0);
    if (TCustomEdit::Modified()) SetModified(true);
}

bool TAdvEdit::WMKeyDown(TMessage& Message) {
    const Word key = Message.CharCode();
    const int p = Len(prefix_);
    const int endValue = p + ValueLength();
    const int caret = CaretIndex();
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (key == VK_RETURN && ReturnIsTab) {
        PostMessage(Handle(), WM_KEYDOWN, VK_TAB, 0);
        return false;
    }
    if (key == VK_RIGHT && !suffix_.empty() && caret >= endValue) return false;
    if (key == VK_DELETE && !suffix_.empty() && caret >= endValue && SelLength() == 0) return false;
    if (key == VK_LEFT && !prefix_.empty() && caret <= p) return false;
    if (key == VK_END && !suffix_.empty()) {
        if (shift) Perform(EM_SETSEL, static_cast<WPARAM>(SelStart()), endValue);
        else SetSelStart(endValue);
        return false;
    }
    if (key == VK_HOME && !prefix_.empty()) {
        if (shift) Perform(EM_SETSEL, static_cast<WPARAM>(endValue), p);
        else SetSelStart(p);
        return false;
    }
    if (key == VK_BACK) {
        if (!prefix_.empty() && caret <= p + 1 && SelLength() == 0) return false;
    }
    if (key == VK_DELETE && caret >= p && caret < endValue) {
        const int at = SelStart() - p;
        const std::string v = Text();
        const std::string after = SelLength() > 0 ? Sub(v, 0, at) + Sub(v, at + SelLength()) : Sub(v, 0, at) + Sub(v, at + 1);
        if (LengthLimit > 0 && FixedLength(after) - 1 > LengthLimit) return false;
    }
    TCustomEdit::WndProc(Message);
    if (key == VK_DELETE && TCustomEdit::Modified()) SetModified(true);
    if (key == VK_DELETE && editType_ == etMoney) AutoSeparators();
    if (!prefix_.empty() && CaretIndex() < p && SelLength() == 0) SetSelStart(p);
    return true;
}

void TAdvEdit::WMPaste() {
    if (ReadOnly() || !Clipboard()->HasFormat(CF_TEXT)) return;
    std::string clip = Clipboard()->AsText();
    // One line, as a drop takes it.
    clip = clip.substr(0, clip.find_first_of("\r\n"));
    const int p = Len(prefix_);
    const std::string v = Text();
    const int at = std::clamp(SelStart() - p, 0, Len(v));
    const int sel = std::min(SelLength(), Len(v) - at);
    if (OnClipboardPaste) {
        bool allow = true;
        OnClipboardPaste(this, Sub(v, at, sel), allow);
        if (!allow) return;
    }
    std::string nv = Sub(v, 0, at) + clip + Sub(v, at + sel);
    switch (editType_) {
    case etString:
    case etPassword: SetText(nv); break;
    case etNumeric:
        if (Classify(nv) != tkInteger) return;
        SetText(nv);
        break;
    case etFloat:
    case etMoney: {
        const TTextKind kind = Classify(nv);
        if (kind != tkInteger && kind != tkFloat) return;
        if (precision_ == 0 && clip.find(DecimalSeparator) != std::string::npos) return;
        SetText(nv);
        SetFloatValue(FloatValue());
        break;
    }
    case etUppercase: SetText(SysUtils::AnsiUpperCase(nv)); break;
    case etLowerCase: SetText(SysUtils::AnsiLowerCase(nv)); break;
    case etMixedCase: SetText(MixedCase(nv)); break;
    case etRange:
    case etHex: return;
    }
    if (editType_ == etMoney && ValueLength() > 3) SelectAll();
    else if (sel > 0) Perform(EM_SETSEL, static_cast<WPARAM>(p + at), p + at + Len(clip));
    else SetSelStart(p + at + Len(clip));
    SetModified(true);
    Perform(CN_COMMAND, MAKEWPARAM(0, EN_CHANGE), 0);
}

void TAdvEdit::Change() {
    bool valid = true;
    if (OnValueValidate) OnValueValidate(this, Text(), valid);
    if (showError_) SetError(!valid);
    TCustomEdit::Change();
}

// ---- focus ---------------------------------------------------------------------------------------------------
void TAdvEdit::FocusEntered() {
    if (HasState(csLoading)) return;
    focusText_ = Text();
    focused_ = true;
    ApplyColors();
    if (AutoSelect()) SelectAll();
    else SelectBeforeDecimal();
    if (FocusLabel && EditLabel()) {
        TFontStyles s = EditLabel()->Font()->Style();
        EditLabel()->Font()->SetStyle(s << fsBold);
    }
    if (FocusWidthInc) TCustomEdit::SetBounds(Left(), Top(), Width() + FocusWidthInc, Height());
    if (FocusAlign != eaDefault && FocusAlign != editAlign_) {
        alignBeforeFocus_ = editAlign_;
        focusAligned_ = true;
        editAlign_ = FocusAlign;
        RecreateWnd();
    }
    Invalidate();
}

void TAdvEdit::FocusLeft() {
    if (HasState(csLoading)) return;
    focused_ = false;
    ApplyColors();
    if (FocusLabel && EditLabel()) {
        TFontStyles s = EditLabel()->Font()->Style();
        EditLabel()->Font()->SetStyle(s >> fsBold);
    }
    if (editType_ == etFloat || editType_ == etMoney) {
        if (Text().empty()) SetFloatValue(0);
        else if (precision_ > 0) SetFloatValue(FloatValue());
    } else if (editType_ == etNumeric && Text().empty()) {
        SetText("0");
    }
    bool valid = true;
    if (OnValueValidate) OnValueValidate(this, Text(), valid);
    if (FocusWidthInc) TCustomEdit::SetBounds(Left(), Top(), Width() - FocusWidthInc, Height());
    if (focusAligned_) {
        editAlign_ = alignBeforeFocus_;
        focusAligned_ = false;
        RecreateWnd();
    }
    Invalidate();
}

void TAdvEdit::DoEnter() {
    // The value is selected on focus (not the prefix and suffix); the plain edit's select-all stays out.
    TWinControl::DoEnter();
}

// ---- mouse -------------------------------------------------------------------------------------------------------
void TAdvEdit::MouseMessage(TMessage& Message) {
    const TPoint pt{Message.XPos(), Message.YPos()};
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: {
        const int index = CharFromPoint(pt);
        if (Focused() && SelLength() > 0 && index >= SelStart() && index < SelStart() + SelLength()) {
            // A press inside the selection may start a drag: the selection stays.
            dragPending_ = true;
            dragStart_ = pt;
            TWinControl::WndProc(Message);
            return;
        }
        TCustomEdit::WndProc(Message);
        break;
    }
    case WM_MOUSEMOVE:
        if (dragPending_ && OleDropSource && (Message.WParam & MK_LBUTTON) &&
            (std::abs(pt.X - dragStart_.X) + std::abs(pt.Y - dragStart_.Y)) >= 4) {
            dragPending_ = false;
            draggingFromSelf_ = true;
            DWORD effect = DROPEFFECT_NONE;
            const HRESULT r = StartTextDoDragDrop(SelText(), "", DROPEFFECT_COPY | DROPEFFECT_MOVE, effect);
            draggingFromSelf_ = false;
            // Only a move elsewhere takes the text away from here.
            if (r == DRAGDROP_S_DROP && effect == DROPEFFECT_MOVE && !(GetKeyState(VK_CONTROL) < 0)) {
                if (SelLength() > 0) Perform(WM_CLEAR);
            }
            DrawCaretByCursor({-1, -1});
            Invalidate();
            return;
        }
        TCustomEdit::WndProc(Message);
        break;
    case WM_LBUTTONUP: {
        if (dragPending_) {
            dragPending_ = false;
            SetSelStart(CharFromPoint(pt));
        }
        TCustomEdit::WndProc(Message);
        const int p = Len(prefix_), endValue = p + ValueLength();
        if (!prefix_.empty() && SelLength() > 0 && SelStart() < p) Perform(EM_SETSEL, static_cast<WPARAM>(p), endValue);
        if (!suffix_.empty()) {
            if (SelLength() == 0 && SelStart() > endValue) SetSelStart(endValue);
            else if (SelLength() > 0 && SelStart() + SelLength() > endValue)
                Perform(EM_SETSEL, static_cast<WPARAM>(SelStart()), endValue);
        }
        if (urlLook_ && showURL_ && Focused()) OpenURL();
        break;
    }
    default: TCustomEdit::WndProc(Message); break;
    }
}

LRESULT TAdvEdit::HintShow(THintInfo& HintInfo) {
    if (HintShowLargeText && TextSize() > Width()) {
        HintInfo.HintStr = Text();
        HintInfo.HintPos = ClientToScreen({0, 0});
    }
    return TCustomEdit::HintShow(HintInfo);
}

void TAdvEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CHAR: WMChar(Message); return;
    case WM_KEYDOWN: WMKeyDown(Message); return;
    case WM_PASTE: WMPaste(); return;
    case WM_COPY:
    case WM_CUT: {
        TClipboardEvent& event = Message.Msg == WM_COPY ? OnClipboardCopy : OnClipboardCut;
        if (event) {
            bool allow = true;
            event(this, Sub(WindowText(), SelStart() - Len(prefix_) + Len(prefix_), SelLength()), allow);
            if (!allow) return;
        }
        TCustomEdit::WndProc(Message);
        if (Message.Msg == WM_CUT && TCustomEdit::Modified()) SetModified(true);
        return;
    }
    case CM_WANTSPECIALKEY: {
        const Word key = static_cast<Word>(Message.WParam);
        HWND parent = Parent() ? Parent()->Handle() : nullptr;
        if (key == VK_ESCAPE && canUndo_) {
            SetText(focusText_);
            SelectAll();
            SetModified(false);
        }
        if ((key == VK_ESCAPE && canUndo_) || key == VK_RETURN) {
            if (parent) {
                PostMessage(parent, WM_KEYDOWN, key, 0);
                PostMessage(parent, WM_KEYUP, key, 0);
            }
            // A parent that is the form itself does not turn the key into its buttons' press; the
            // edit hands it on then.
            Message.Result = Parent() && Parent() != static_cast<TWinControl*>(GetParentForm(this)) ? 1 : 0;
            return;
        }
        TCustomEdit::WndProc(Message);
        return;
    }
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE) {
            if (transparent_) Invalidate();
            if (showURL_) SetURLLook(TestURL());
        }
        TCustomEdit::WndProc(Message);
        return;
    case WM_SETFOCUS:
        TCustomEdit::WndProc(Message);
        FocusEntered();
        return;
    case WM_KILLFOCUS:
        FocusLeft();
        TCustomEdit::WndProc(Message);
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: MouseMessage(Message); return;
    case CM_MOUSEENTER:
        if (AutoFocus && CanFocus()) SetFocus();
        if (Enabled()) {
            hot_ = true;
            if (flat_ && FocusBorder) Invalidate();
        }
        TCustomEdit::WndProc(Message);
        return;
    case CM_MOUSELEAVE:
        if (Enabled()) {
            hot_ = false;
            if (flat_ && FocusBorder) Invalidate();
        }
        TCustomEdit::WndProc(Message);
        return;
    case CM_FONTCHANGED:
        TCustomEdit::WndProc(Message);
        if (!applyingColors_ && !focused_ && !urlLook_ && !(showModified_ && ownModified_) && !(error_ && showError_))
            normalFontColor_ = Font()->Color();
        if (EditLabel() && HasState(csLoading)) label_.Font()->Assign(Font());
        return;
    default: TCustomEdit::WndProc(Message); return;
    }
}

// ---- painting -------------------------------------------------------------------------------------------------------
void TAdvEdit::Paint() {
    TCanvas* c = Canvas();
    const TRect client = ClientRect();
    TRect fr;
    Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&fr));
    if (flat_) {
        const bool threeD = FocusBorder && (hot_ || focused_);
        if (FocusBorder && threeD) {
            c->Pen()->SetColor(clBtnShadow);
            c->MoveTo(0, client.Bottom - 1);
            c->LineTo(0, 0);
            c->LineTo(client.Right - 1, 0);
            c->Pen()->SetColor(clBtnHighlight);
            c->LineTo(client.Right - 1, client.Bottom - 1);
            c->LineTo(0, client.Bottom - 1);
            c->Brush()->SetColor(clBtnFace);
            TRect inner = client;
            InflateRect(inner, -1, -1);
            c->FrameRect(inner);
        } else if (FocusBorder) {
            c->Brush()->SetColor(Parent() ? Parent()->Color() : clBtnFace);
            c->FrameRect(client);
            TRect inner = client;
            InflateRect(inner, -1, -1);
            c->FrameRect(inner);
        } else {
            c->Pen()->SetColor(FlatLineColor);
            c->Pen()->SetWidth(1);
            const int left = fr.Left - 2, bottom = client.Bottom - 1;
            if (SoftBorder) {
                c->MoveTo(left, bottom);
                c->LineTo(client.Right - 1, bottom);
                c->LineTo(client.Right - 1, fr.Top - 4);
                c->LineTo(left, fr.Top - 4);
                c->LineTo(left, bottom);
            } else {
                c->MoveTo(left, bottom);
                c->LineTo(client.Right, bottom);
            }
        }
    }
    if (dropCaret_.X >= 0) {
        const int h = c->TextHeight("Ag");
        c->Brush()->SetColor(Font()->Color());
        c->FillRect({dropCaret_.X, dropCaret_.Y, dropCaret_.X + 1, dropCaret_.Y + h});
    }
    if (Text().empty() && !Focused() && !emptyText_.empty()) {
        c->SetFont(Font());
        c->Font()->SetColor(static_cast<TColor>(0x808080));
        c->Brush()->SetStyle(bsClear);
        c->TextOut(2, 2, emptyText_);
    }
}

// ---- persistence -------------------------------------------------------------------------------------------------
void TAdvEdit::Loaded() {
    TCustomEdit::Loaded();
    normalColor_ = Color();
    normalFontColor_ = Font()->Color();
    if (flat_) {
        flat_ = false;
        SetFlat(true);
    }
    UpdateLabel();
    if (!HasState(csDesigning)) LoadPersist();
}

void TAdvEdit::LoadPersist() {
    if (!persistence_->Enable) return;
    AnsiString value;
    if (!persistence_->Read(Name(), value)) return;
    // The stored window text goes back through the type's rules.
    std::string v = value;
    if (!prefix_.empty() && v.compare(0, prefix_.size(), prefix_) == 0) v.erase(0, prefix_.size());
    if (!suffix_.empty() && v.size() >= suffix_.size() && v.compare(v.size() - suffix_.size(), suffix_.size(), suffix_) == 0)
        v.erase(v.size() - suffix_.size());
    SetText(v);
}

void TAdvEdit::SavePersist() {
    if (!persistence_->Enable) return;
    persistence_->Write(Name(), prefix_ + Text() + suffix_);
}
