#include "HTMLMarkup.h"

#include <cstring>

#include "SysUtils.h"

using SysUtils::LowerCase;
using SysUtils::UpperCase;

namespace {

char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

char At(const std::string& s, std::size_t i) { return i < s.size() ? s[i] : '\0'; }

bool StartsWithI(const std::string& upper, const char* prefix) {
    return upper.compare(0, std::strlen(prefix), prefix) == 0;
}

THTMLTagKind FullKind(const std::string& u, bool closing) {
    // u is the upper-cased tag; the letter after "<" (or "</") chooses, a few tags look further.
    const std::size_t l = closing ? 2 : 1;
    const char c = At(u, l), n = At(u, l + 1);
    if (closing) {
        switch (c) {
        case 'A': return THTMLTagKind::A;
        case 'B': return n == '>' ? THTMLTagKind::B : THTMLTagKind::Blink;
        case 'E': return THTMLTagKind::E;
        case 'F': return THTMLTagKind::Font;
        case 'H': return THTMLTagKind::HI;
        case 'I': return THTMLTagKind::I;
        case 'P': return THTMLTagKind::P;
        case 'R': return THTMLTagKind::R;
        case 'S': return n == 'U' ? THTMLTagKind::Sub : n == 'H' ? THTMLTagKind::Shad : THTMLTagKind::S;
        case 'U': return n == '>' ? THTMLTagKind::U : THTMLTagKind::UL;
        case 'Z': return THTMLTagKind::Z;
        default: return THTMLTagKind::Unknown;
        }
    }
    switch (c) {
    case 'A': return THTMLTagKind::A;
    case 'B':
        if (n == '>') return THTMLTagKind::B;
        if (n == 'R') return THTMLTagKind::BR;
        if (n == 'L') return THTMLTagKind::Blink;
        if (n == 'O') return THTMLTagKind::Body;
        return THTMLTagKind::Unknown;
    case 'E': return THTMLTagKind::E;
    case 'F': return THTMLTagKind::Font;
    case 'H': return n == 'I' ? THTMLTagKind::HI : n == 'R' ? THTMLTagKind::HR : THTMLTagKind::Unknown;
    case 'I':
        if (n == '>') return THTMLTagKind::I;
        if (n == 'N') return THTMLTagKind::Ind;
        if (n == 'M') return THTMLTagKind::Img;
        return THTMLTagKind::Unknown;
    case 'L': return THTMLTagKind::LI;
    case 'P': return THTMLTagKind::P;
    case 'R': return THTMLTagKind::R;
    case 'S':
        if (n == '>') return THTMLTagKind::S;
        if (n == 'H') return THTMLTagKind::Shad;
        if (StartsWithI(u, "<SUB>")) return THTMLTagKind::Sub;
        if (StartsWithI(u, "<SUP>")) return THTMLTagKind::Sup;
        return THTMLTagKind::Unknown;
    case 'U': return n == '>' ? THTMLTagKind::U : THTMLTagKind::UL;
    case 'Z': return THTMLTagKind::Z;
    default: return THTMLTagKind::Unknown;
    }
}

THTMLTagKind StatusBarKind(const std::string& u, bool closing) {
    // Within B, I, S and U the whole opening text tells the tags apart.
    const std::size_t l = closing ? 2 : 1;
    const char c = At(u, l);
    if (closing) {
        switch (c) {
        case 'B': return At(u, 3) == 'L' ? THTMLTagKind::Blink : THTMLTagKind::B;
        case 'U': return u == "</UL>" ? THTMLTagKind::UL : THTMLTagKind::U;
        case 'H': return THTMLTagKind::Unknown;
        case 'E': return THTMLTagKind::Unknown;
        default: return FullKind(u, true);
        }
    }
    switch (c) {
    case 'B':
        if (u == "<B>") return THTMLTagKind::B;
        if (u == "<BR>") return THTMLTagKind::BR;
        if (StartsWithI(u, "<BLINK")) return THTMLTagKind::Blink;
        if (StartsWithI(u, "<BODY")) return THTMLTagKind::Body;
        return THTMLTagKind::Unknown;
    case 'I':
        if (u == "<I>") return THTMLTagKind::I;
        if (StartsWithI(u, "<IND")) return THTMLTagKind::Ind;
        if (StartsWithI(u, "<IMG")) return THTMLTagKind::Img;
        return THTMLTagKind::Unknown;
    case 'S':
        if (u == "<S>") return THTMLTagKind::S;
        if (StartsWithI(u, "<SUB>")) return THTMLTagKind::Sub;
        if (StartsWithI(u, "<SUP>")) return THTMLTagKind::Sup;
        if (StartsWithI(u, "<SHAD>")) return THTMLTagKind::Shad;
        return THTMLTagKind::Unknown;
    case 'U': return u == "<UL>" ? THTMLTagKind::UL : THTMLTagKind::U;
    case 'H': return THTMLTagKind::HR;
    case 'E': return THTMLTagKind::Unknown;
    default: return FullKind(u, false);
    }
}

struct Entity { const char* name; const char* text; bool statusBar; };
// Names without "&" and ";". The status bar knows only the four that protect markup characters.
constexpr Entity kEntities[] = {
    {"amp", "&", true},         {"quot", "\"", true},      {"lt", "<", true},         {"gt", ">", true},
    {"nbsp", " ", false},       {"sect", "\xC2\xA7", false}, {"permil", "\xE2\x80\xB0", false},
    {"reg", "\xC2\xAE", false}, {"copy", "\xC2\xA9", false}, {"para", "\xC2\xB6", false},
    {"trade", "\xE2\x84\xA2", false}, {"euro", "\xE2\x82\xAC", false},
};

void AddRun(std::vector<THTMLToken>& out, const std::string& raw, THTMLVariant v) {
    if (raw.empty()) return;
    THTMLToken t;
    t.Kind = THTMLToken::tkRun;
    t.Text = HTMLDecodeEntities(raw, v);
    out.push_back(std::move(t));
}

} // namespace

AnsiString THTMLToken::Attr(const char* Name, bool UpperValue, std::size_t From) const {
    const std::size_t p = Upper.find(Name, From);
    if (p == std::string::npos) return {};
    const std::size_t q1 = Upper.find('"', p + std::strlen(Name));
    if (q1 == std::string::npos) return {};
    const std::size_t q2 = Upper.find('"', q1 + 1);
    if (q2 == std::string::npos) return {};
    const std::string& src = UpperValue ? Upper : Text;
    return HTMLDecodeEntities(src.substr(q1 + 1, q2 - q1 - 1));
}

bool THTMLToken::HasAttr(const char* Name, std::size_t From) const {
    return Upper.find(Name, From) != std::string::npos;
}

AnsiString HTMLDecodeEntities(const AnsiString& Text, THTMLVariant Variant) {
    if (Text.find('&') == std::string::npos) return Text;
    std::string out;
    out.reserve(Text.size());
    std::size_t i = 0;
    while (i < Text.size()) {
        if (Text[i] == '&') {
            bool matched = false;
            for (const Entity& e : kEntities) {
                if (Variant == THTMLVariant::StatusBar && !e.statusBar) continue;
                const std::size_t n = std::strlen(e.name);
                if (i + n + 1 < Text.size() && Text[i + n + 1] == ';') {
                    bool same = true;
                    for (std::size_t k = 0; k < n && same; ++k)
                        same = Up(Text[i + 1 + k]) == Up(e.name[k]);
                    if (same) {
                        out += e.text;
                        i += n + 2;
                        matched = true;
                        break;
                    }
                }
            }
            if (matched) continue;
        }
        out += Text[i++];
    }
    return out;
}

std::vector<THTMLToken> HTMLTokenize(const AnsiString& Markup, bool WordWrap, THTMLVariant Variant) {
    std::string s;
    if (Variant == THTMLVariant::Full) {
        s = CRLFToBR(UnwrapHashTag(Markup), true);
    } else {
        s = CRLFToBR(Markup, false);
        // Every template tag left in a status text shows as "#name".
        std::string prev;
        while (prev != s) { prev = s; s = UnwrapHashTag(s); }
    }
    std::vector<THTMLToken> out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == '<') {
            if (s.size() - i < 3) break;
            const std::size_t close = s.find('>', i);
            if (close == std::string::npos) break;
            THTMLToken t;
            t.Kind = THTMLToken::tkTag;
            t.Text = s.substr(i, close - i + 1);
            t.Upper = UpperCase(t.Text);
            t.Closing = t.Text[1] == '/';
            t.Tag = Variant == THTMLVariant::Full ? FullKind(t.Upper, t.Closing) : StatusBarKind(t.Upper, t.Closing);
            out.push_back(std::move(t));
            i = close + 1;
            continue;
        }
        std::size_t end = s.find('<', i);
        if (end == std::string::npos) end = s.size();
        if (WordWrap) {
            const std::size_t sp = s.find(' ', i);
            if (sp != std::string::npos && sp < end) end = sp + 1;
        }
        AddRun(out, s.substr(i, end - i), Variant);
        i = end;
    }
    return out;
}

// ---- colours ---------------------------------------------------------------------------------------

namespace {
struct NamedColor { const char* name; TColor color; };
constexpr NamedColor kFixedColors[] = {
    {"clred", clRed},       {"clblack", clBlack},     {"clblue", clBlue},     {"clgreen", clGreen},
    {"claqua", clAqua},     {"clyellow", clYellow},   {"clfuchsia", clFuchsia}, {"clwhite", clWhite},
    {"cllime", clLime},     {"clsilver", clSilver},   {"clgray", clGray},     {"clolive", clOlive},
    {"clnavy", clNavy},     {"clpurple", clPurple},   {"clteal", clTeal},     {"clmaroon", clMaroon},
};
constexpr NamedColor kSystemColors[] = {
    {"clbackground", clBackground},       {"clactivecaption", clActiveCaption},
    {"clinactivecaption", clInactiveCaption}, {"clmenu", clMenu},
    {"clwindow", clWindow},               {"clwindowframe", clWindowFrame},
    {"clmenutext", clMenuText},           {"clwindowtext", clWindowText},
    {"clcaptiontext", clCaptionText},     {"clactiveborder", clActiveBorder},
    {"clinactiveborder", clInactiveBorder}, {"clappworkspace", clAppWorkSpace},
    {"clhighlight", clHighlight},         {"clhighlighttext", clHighlightText},
    {"clbtnface", clBtnFace},             {"clbtnshadow", clBtnShadow},
    {"clgraytext", clGrayText},           {"clbtntext", clBtnText},
    {"clinactivecaptiontext", clInactiveCaptionText}, {"clbtnhighlight", clBtnHighlight},
    {"cl3ddkshadow", cl3DDkShadow},       {"cl3dlight", cl3DLight},
    {"clinfotext", clInfoText},           {"clinfobk", clInfoBk},
};
} // namespace

TColor Text2Color(const AnsiString& Name) {
    const std::string n = LowerCase(Name);
    for (const NamedColor& c : kFixedColors)
        if (n == c.name) return c.color;
    for (const NamedColor& c : kSystemColors)
        if (n == c.name) return c.color;
    return clBlack;
}

int HexVal(const AnsiString& Text) {
    if (Text.size() < 2) return 0;
    auto digit = [](char c) { return c < 'A' ? c - '0' : c - 55; };
    // Anything but 0-9 and A-F is not a digit; the mask keeps such junk inside one channel.
    return (digit(Text[0]) * 16 + digit(Text[1])) & 0xFF;
}

TColor Hex2Color(const AnsiString& Text) {
    auto pair = [&](std::size_t at) { return at < Text.size() ? HexVal(Text.substr(at, 2)) : 0; };
    return RGB(pair(1), pair(3), pair(5));
}

TColor HTMLAttrColor(const AnsiString& Value) {
    if (!Value.empty() && Value[0] == '#') return Hex2Color(UpperCase(Value));
    return Text2Color(Value);
}

// ---- text routines --------------------------------------------------------------------------------

int IPos(const AnsiString& Part, const AnsiString& Text) {
    if (Part.empty()) return 0;
    const std::size_t p = UpperCase(Text).find(UpperCase(Part));
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

int IStrToInt(const AnsiString& Text) {
    long long v = 0;
    for (char c : Text) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
        if (v >= MaxMarkupNumber) return MaxMarkupNumber;
    }
    return static_cast<int>(v);
}

AnsiString UnwrapHashTag(const AnsiString& Text) {
    const std::size_t p = Text.find("<#");
    if (p == std::string::npos) return Text;
    std::string r = Text;
    r.erase(p, 1);
    const std::size_t g = r.find('>', p);
    if (g != std::string::npos) r.erase(g, 1);
    return r;
}

AnsiString CRLFToBR(const AnsiString& Text, bool Breaks) {
    std::string r;
    r.reserve(Text.size());
    for (char c : Text) {
        if (c == '\n') continue;
        if (c == '\r') {
            if (Breaks) r += "<BR>";
            continue;
        }
        r += c;
    }
    return r;
}

int VarPos(const AnsiString& Part, const AnsiString& Text, int& Position) {
    Position = IPos(Part, Text);
    return Position;
}

bool TagReplaceString(const AnsiString& Pattern, const AnsiString& Replacement, AnsiString& Text) {
    const int p = IPos(Pattern, Text);
    if (p == 0) return false;
    Text.replace(static_cast<std::size_t>(p - 1), Pattern.size(), Replacement);
    return true;
}

int HTMLFontSize(int Value, THTMLVariant Variant) {
    Value = Value < 0 ? 0 : (Value > MaxMarkupFontSize ? MaxMarkupFontSize : Value);
    if (Variant == THTMLVariant::StatusBar) return Value;
    switch (Value) {
    case 1: return 8;
    case 2: return 10;
    case 3: return 12;
    case 4: return 14;
    case 5: return 16;
    default: return Value;
    }
}

// ---- text from outside ---------------------------------------------------------------------------

AnsiString HTMLEscape(const AnsiString& Text) {
    AnsiString out;
    out.reserve(Text.size() + 16);
    for (char c : Text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c; break;
        }
    }
    return out;
}

AnsiString HTMLUnescape(const AnsiString& Markup) {
    AnsiString out;
    out.reserve(Markup.size());
    for (std::size_t i = 0; i < Markup.size();) {
        if (Markup.compare(i, 5, "&amp;") == 0) { out += '&'; i += 5; }
        else if (Markup.compare(i, 4, "&lt;") == 0) { out += '<'; i += 4; }
        else if (Markup.compare(i, 4, "&gt;") == 0) { out += '>'; i += 4; }
        else out += Markup[i++];
    }
    return out;
}

bool IsShellAnchor(const AnsiString& Anchor) {
    return Anchor.find("://") != std::string::npos || Anchor.find("mailto:") != std::string::npos;
}

bool MayOpenInShell(const AnsiString& Anchor) {
    const AnsiString lower = LowerCase(Anchor);
    if (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) return true;
    if (lower.rfind("mailto:", 0) != 0) return false;
    const std::size_t query = lower.find('?');
    return query == std::string::npos || lower.find("attach", query) == std::string::npos;
}
