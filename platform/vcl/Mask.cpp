// The masked edit's engine: a list of input positions and literals over the window text.
#include "Mask.h"

#include "SysUtils.h"
#include "TextEncoding.h"

namespace {
bool IsLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7); }
bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
} // namespace

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const AnsiString& Value) {
    mask_ = Value;
    slots_.clear();
    blank_ = '_';
    std::string m = Value;
    // The fields after the mask: save-literals flag and the blank character.
    const std::size_t f1 = m.rfind(';');
    if (f1 != std::string::npos && f1 > 0 && m[f1 - 1] != '\\') {
        const std::string last = m.substr(f1 + 1);
        std::string head = m.substr(0, f1);
        const std::size_t f2 = head.rfind(';');
        if (f2 != std::string::npos && (f2 == 0 || head[f2 - 1] != '\\')) {
            if (!last.empty()) blank_ = last[0];
            m = head.substr(0, f2);
        } else {
            m = head;
        }
    }
    const std::u32string u = TextEncoding::ToUtf32(m);
    int caseMode = 0;
    for (std::size_t i = 0; i < u.size(); ++i) {
        const char32_t c = u[i];
        Slot s;
        if (c == '>') {
            if (i + 1 < u.size() && u[i + 1] == '<') { caseMode = 0; ++i; }
            else caseMode = 1;
            continue;
        }
        if (c == '<') { caseMode = -1; continue; }
        if (c == '!') continue;
        if (c == '\\' && i + 1 < u.size()) {
            s.literal = true;
            s.ch = u[++i];
        } else if (std::u32string(U"09#LlAaCc").find(c) != std::u32string::npos) {
            s.ch = c;
            s.caseMode = caseMode;
        } else {
            s.literal = true;
            s.ch = c == ':' ? static_cast<char32_t>(SysUtils::TimeSeparator)
                 : c == '/' ? static_cast<char32_t>(SysUtils::DateSeparator) : c;
        }
        slots_.push_back(s);
    }
    std::u32string text;
    for (const Slot& s : slots_) text += s.literal ? s.ch : static_cast<char32_t>(static_cast<unsigned char>(blank_));
    SetText(TextEncoding::ToUtf8(text));
}

bool TCustomMaskEdit::Accepts(const Slot& s, char32_t c) const {
    switch (s.ch) {
    case '0':
    case '9': return IsDigit(c);
    case '#': return IsDigit(c) || c == '+' || c == '-';
    case 'L':
    case 'l': return IsLetter(c);
    case 'A':
    case 'a': return IsLetter(c) || IsDigit(c);
    default: return c >= 0x20;
    }
}

bool TCustomMaskEdit::MaskComplete() const {
    const std::u32string text = TextEncoding::ToUtf32(EditText());
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].literal) continue;
        if (i >= text.size() || text[i] == static_cast<char32_t>(static_cast<unsigned char>(blank_))) return false;
    }
    return true;
}

int TCustomMaskEdit::NextInput(int From) const {
    for (int i = std::max(0, From); i < static_cast<int>(slots_.size()); ++i) {
        if (!slots_[static_cast<std::size_t>(i)].literal) return i;
    }
    return -1;
}

int TCustomMaskEdit::PrevInput(int From) const {
    for (int i = std::min(From, static_cast<int>(slots_.size()) - 1); i >= 0; --i) {
        if (!slots_[static_cast<std::size_t>(i)].literal) return i;
    }
    return -1;
}

void TCustomMaskEdit::PutAt(int Pos, char32_t c) {
    std::u32string text = TextEncoding::ToUtf32(EditText());
    text.resize(slots_.size(), static_cast<char32_t>(static_cast<unsigned char>(blank_)));
    text[static_cast<std::size_t>(Pos)] = c;
    Perform(EM_SETSEL, static_cast<WPARAM>(Pos), Pos + 1);
    SetSelText(TextEncoding::ToUtf8(std::u32string(1, c)));
}

void TCustomMaskEdit::WndProc(TMessage& Message) {
    if (!IsMasked()) {
        TCustomEdit::WndProc(Message);
        return;
    }
    if (Message.Msg == WM_CHAR) {
        if (DoKeyPress(Message)) return;
        char32_t c = static_cast<char32_t>(Message.WParam);
        if (c == 3) { Perform(WM_COPY); return; }
        if (ReadOnly()) return;
        const char32_t blank = static_cast<unsigned char>(blank_);
        if (c == 8) {
            int pos = PrevInput((SelLength() > 0 ? SelStart() + 1 : SelStart()) - 1);
            if (pos >= 0) {
                PutAt(pos, blank);
                SetSelStart(pos);
            }
            return;
        }
        if (c < 0x20) return;
        const int pos = NextInput(SelStart());
        if (pos < 0 || !Accepts(slots_[static_cast<std::size_t>(pos)], c)) {
            MessageBeep(0);
            return;
        }
        const Slot& s = slots_[static_cast<std::size_t>(pos)];
        std::string one = TextEncoding::ToUtf8(std::u32string(1, c));
        if (s.caseMode > 0) one = SysUtils::AnsiUpperCase(one);
        else if (s.caseMode < 0) one = SysUtils::AnsiLowerCase(one);
        PutAt(pos, TextEncoding::ToUtf32(one)[0]);
        const int next = NextInput(pos + 1);
        SetSelStart(next < 0 ? static_cast<int>(slots_.size()) : next);
        return;
    }
    if (Message.Msg == WM_KEYDOWN && Message.CharCode() == VK_DELETE && !(GetKeyState(VK_SHIFT) < 0)) {
        if (DoKeyDown(Message)) return;
        const int pos = NextInput(SelStart());
        if (!ReadOnly() && pos >= 0) {
            PutAt(pos, static_cast<unsigned char>(blank_));
            SetSelStart(pos);
        }
        return;
    }
    if (Message.Msg == WM_PASTE || Message.Msg == WM_CUT || Message.Msg == WM_CLEAR) {
        // Masked text changes position by position only.
        if (Message.Msg == WM_CUT) Perform(WM_COPY);
        return;
    }
    TCustomEdit::WndProc(Message);
}
