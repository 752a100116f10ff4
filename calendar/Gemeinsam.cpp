#include "Gemeinsam.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>

#include "Registry.h"
#include "Settings.h"
#include "TextEncoding.h"

namespace Gemeinsam {
namespace {

struct QuoteState {
    std::mutex mutex;
    bool started = false;
    TDateTime lastQuoteTime;
    AnsiString quoteOfTheDay = "quotes.txt ??";
    std::function<int()> random;
};

QuoteState& Quotes() {
    static QuoteState state;
    return state;
}

AnsiString QuoteOfTheDay(const AnsiString& ProgramFolder) {
    QuoteState& q = Quotes();
    std::lock_guard<std::mutex> lock(q.mutex);
    const TDateTime now = SysUtils::Now();
    if (!q.started) {
        q.started = true;
        q.lastQuoteTime = TDateTime(double(now) - 1);
    }
    if (double(q.lastQuoteTime) < double(now) - 0.5) {
        q.lastQuoteTime = now;
        const AnsiString file = ProgramFolder + "vorlagen\\quotes.txt";
        TStringList lines;
        try {
            lines.SetText(TextEncoding::DecodeText(SysUtils::ReadFileBytes(file)));
        } catch (const SysUtils::EFileRefused& e) {
            // Something else under the name is told of once, and the page goes on as without it.
            SysUtils::TellRefusedFile(e);
        } catch (const SysUtils::EInOutError&) {
            if (SysUtils::FileExists(file)) throw;
        }
        // A file without a line leaves nothing to choose: the previous quote stays.
        if (lines.Count() > 0) {
            int value;
            if (q.random) {
                value = q.random();
            } else {
                std::srand(static_cast<unsigned>(std::time(nullptr)));
                value = std::rand();
            }
            int index = value % lines.Count();
            if (index < 0) index += lines.Count();
            q.quoteOfTheDay = lines.Strings(index);
        }
    }
    return q.quoteOfTheDay;
}

enum class SettingKind { Integer, String };

// A value of the settings key; Fallback when the read fails, "" when the key cannot be opened.
AnsiString SettingText(const AnsiString& Name, SettingKind Kind, const AnsiString& Fallback) {
    try {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (!reg.OpenKey(TarvolinKey, true)) return "";
        try {
            if (!reg.ValueExists(Name)) return Fallback;
            if (Kind == SettingKind::Integer) return SysUtils::IntToStr(reg.ReadInteger(Name));
            return reg.ReadString(Name);
        } catch (const std::exception&) {
            return Fallback;
        }
    } catch (const std::exception&) {
        return "";
    }
}

} // namespace

AnsiString TemplateURL(const AnsiString& ProgramFolder, const AnsiString& Name) {
    return SysUtils::FileNameToURL(SysUtils::ResolvePath(ProgramFolder + "vorlagen/" + Name));
}

void ResetQuoteOfTheDay() {
    QuoteState& q = Quotes();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.started = false;
    q.quoteOfTheDay = "quotes.txt ??";
}

void SetQuoteRandom(std::function<int()> Next) {
    QuoteState& q = Quotes();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.random = std::move(Next);
}

void CommonTagHandler(const AnsiString& ProgramFolder, TObject*, TTag, const AnsiString& TagString,
                      TStrings*, AnsiString& ReplaceText) {
    const TDateTime today = SysUtils::Now();
    if (TagString == "ACT_DAY") {
        Word y, m, d;
        SysUtils::DecodeDate(today, y, m, d);
        ReplaceText = SysUtils::IntToStr(d);
    } else if (TagString == "ACT_DAYTEXT") {
        ReplaceText = SysUtils::FormatDateTime("dddd", today);
    } else if (TagString == "ACT_MONTH") {
        ReplaceText = SysUtils::FormatDateTime("mmmm", today);
    } else if (TagString == "ACT_YEAR") {
        ReplaceText = SysUtils::FormatDateTime("yyyy", today);
    } else if (TagString == "QOTD") {
        ReplaceText = QuoteOfTheDay(ProgramFolder);
    } else if (TagString == "TEMPLATE_PATH") {
        ReplaceText = TemplateURL(ProgramFolder, "");
    } else if (TagString == "BGHEADER") {
        ReplaceText = TemplateURL(ProgramFolder, "headerbg.gif");
    } else if (TagString == "BACKIMG") {
        ReplaceText = TemplateURL(ProgramFolder, "back.gif");
    } else if (TagString == "FORWARDIMG") {
        ReplaceText = TemplateURL(ProgramFolder, "forward.gif");
    } else if (TagString == "HOMEIMG") {
        ReplaceText = TemplateURL(ProgramFolder, "home.gif");
    } else if (TagString == "RESIZEIMG") {
        ReplaceText = TemplateURL(ProgramFolder, "resize.gif");
    } else if (TagString == "BACK") {
        ReplaceText = "Zurück";
    } else if (TagString == "HOME") {
        ReplaceText = "Heute";
    } else if (TagString == "NEXT") {
        ReplaceText = "Vor";
    } else if (TagString == "OBJECTCOLOR") {
        ReplaceText = SettingText("BackgroundColor", SettingKind::Integer, "8421440");
    } else if (TagString == "OBJECTFONT") {
        ReplaceText = SettingText("Font", SettingKind::String, "Arial");
    } else if (TagString == "OBJECTFONTCOLOR") {
        ReplaceText = SettingText("FontColor", SettingKind::Integer, "0");
    }
}

} // namespace Gemeinsam
