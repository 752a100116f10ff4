#include "HTMLabel.h"

#include <vector>

#include "SysUtils.h"

namespace {

// Removes tags; with Breaks, BR and HR tags become line breaks.
AnsiString RemoveTags(const AnsiString& html, bool breaks) {
    std::string out;
    std::size_t i = 0;
    while (i < html.size()) {
        if (html[i] != '<') { out += html[i++]; continue; }
        const std::size_t close = html.find('>', i);
        if (close == std::string::npos) { out.append(html, i, std::string::npos); break; }
        if (breaks) {
            const std::string tag = SysUtils::UpperCase(html.substr(i, close - i + 1));
            if (tag == "<BR>" || tag == "<HR>") out += "\r\n";
        }
        i = close + 1;
    }
    return out;
}

// Case folding for searches; it keeps byte positions, so only ASCII letters fold when a wider
// fold would change lengths.
std::string Fold(const std::string& s) {
    std::string f = SysUtils::AnsiUpperCase(s);
    return f.size() == s.size() ? f : SysUtils::UpperCase(s);
}

} // namespace

AnsiString HTMLStrip(const AnsiString& Html) { return RemoveTags(Html, true); }

AnsiString StripTags(const AnsiString& Html) { return RemoveTags(Html, false); }

int TextPosToHTMLPos(const AnsiString& Html, int TextPos) {
    int visible = 0;
    bool inTag = false;
    for (std::size_t i = 0; i < Html.size(); ++i) {
        const char c = Html[i];
        if (inTag) { if (c == '>') inTag = false; continue; }
        if (c == '<' && Html.find('>', i) != std::string::npos) { inTag = true; continue; }
        if (visible + 1 == TextPos) return static_cast<int>(i) + 1;
        ++visible;
    }
    return visible + 1 == TextPos ? static_cast<int>(Html.size()) + 1 : 0;
}

int FindTextPos(const AnsiString& Pattern, const AnsiString& Text, int Start, int& Position,
                bool CaseSensitive) {
    Position = 0;
    if (Pattern.empty() || Start < 0 || static_cast<std::size_t>(Start) > Text.size()) return 0;
    const std::string hay = CaseSensitive ? Text : Fold(Text);
    const std::string needle = CaseSensitive ? Pattern : Fold(Pattern);
    const std::size_t p = hay.find(needle, static_cast<std::size_t>(Start));
    if (p != std::string::npos) Position = static_cast<int>(p) + 1;
    return Position;
}

void HiLight(const AnsiString& Html, const AnsiString& Pattern, const AnsiString& Tag, AnsiString& Result,
             bool CaseSensitive) {
    Result = Html;
    if (Pattern.empty()) return;
    const std::string visible = StripTags(Html);
    struct Insert { int at; std::string text; };
    std::vector<Insert> inserts;
    int start = 0, pos = 0;
    const int len = static_cast<int>(Pattern.size());
    while (FindTextPos(Pattern, visible, start, pos, CaseSensitive) > 0) {
        const int first = TextPosToHTMLPos(Html, pos);
        const int last = TextPosToHTMLPos(Html, pos + len - 1);
        if (first == 0 || last == 0) break;
        inserts.push_back({first - 1, "<" + Tag + ">"});
        inserts.push_back({last, "</" + Tag + ">"});   // right after the last matched character
        start = pos - 1 + len;
    }
    for (auto it = inserts.rbegin(); it != inserts.rend(); ++it)
        Result.insert(static_cast<std::size_t>(it->at), it->text);
}

void UnHiLight(const AnsiString& Html, const AnsiString& Tag, AnsiString& Result) {
    Result = SysUtils::StringReplace(Html, "<" + Tag + ">", "", SysUtils::rfReplaceAll | SysUtils::rfIgnoreCase);
    Result = SysUtils::StringReplace(Result, "</" + Tag + ">", "", SysUtils::rfReplaceAll | SysUtils::rfIgnoreCase);
}
