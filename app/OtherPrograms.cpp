#include "OtherPrograms.h"

#include <cstdint>
#include <utility>

#include "Dialogs.h"
#include "Settings.h"
#include "ShellApi.h"

namespace {

// One argument for the platform's command-line rules, whatever characters it holds.
AnsiString QuoteArgument(const AnsiString& arg) {
    AnsiString out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') out.append(backslashes * 2 + 1, '\\');
        else out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// A character that would end the mail address or the text in the link (or add a line of its own)
// is written as %XX; blanks and umlauts stay as they are.
AnsiString MailPart(const AnsiString& s) {
    static const char* const hex = "0123456789ABCDEF";
    AnsiString out;
    for (char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '%' || c == '&' || c == '#' || c == '?' || u < 0x20) {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// The appointment planner, as the user is told of it when it cannot be started.
const char* const PlannerName = "Der Terminplaner \"plavoth\"";

} // namespace

TOtherPrograms::TOtherPrograms(const AnsiString& ExeDir, std::function<HWND()> Window,
                               std::function<void(const AnsiString&)> WriteDebugLog)
    : exeDir_(ExeDir), window_(std::move(Window)), log_(std::move(WriteDebugLog)) {}

void TOtherPrograms::StartPlanner() {
    // The siblings find their files in the program folder, as the working folder.
    SysUtils::SetCurrentDir(exeDir_);
    Start("plavoth.exe", "", nullptr, PlannerName);
}

void TOtherPrograms::OpenDayInPlanner(const AnsiString& DateText) {
    Start(exeDir_ + "plavoth.exe", QuoteArgument("TAG" + DateText), nullptr, PlannerName);
}

void TOtherPrograms::StartAddressBook() {
    SysUtils::SetCurrentDir(exeDir_);
    Start("brunvex.exe", "", exeDir_.c_str(), "Das Adressbuch \"brunvex\"");
}

void TOtherPrograms::ShowHelp() {
    SysUtils::SetCurrentDir(exeDir_);
    // Nothing happening at all would leave the user guessing: say what is missing.
    if (!SysUtils::FileExists(exeDir_ + "zbhelp.chm")) {
        Dialogs::ShowMessage("Die Hilfedatei \"zbhelp.chm\" wurde im Programmordner \"" + exeDir_ +
                             "\" nicht gefunden.");
        return;
    }
    if (!HtmlHelp(nullptr, "zbhelp.chm::/zorbelin.htm", HH_DISPLAY_TOPIC, 0))
        Dialogs::ShowMessage("Für die Hilfedatei \"zbhelp.chm\" ist kein Programm zum Anzeigen eingerichtet.");
}

bool TOtherPrograms::Start(const AnsiString& File, const AnsiString& Parameters, const char* Directory,
                           const AnsiString& What) {
    const char* const parameters = Parameters.empty() ? nullptr : Parameters.c_str();
    const HINSTANCE result = ShellExecute(window_(), "open", File.c_str(), parameters, Directory, SW_SHOW);
    if (reinterpret_cast<std::intptr_t>(result) > 32) return true;
    // Nothing happening at all would leave the user guessing: say what is missing.
    Dialogs::ShowMessage(What + " wurde im Programmordner \"" + exeDir_ +
                         "\" nicht gefunden oder konnte nicht gestartet werden.");
    return false;
}

void TOtherPrograms::SendBirthdayMail(const AnsiString& Address) {
    // The text the settings dialog shows, also for a text never saved or saved empty.
    const TSettingsValue settings = TSettings::Program().Current();
    const AnsiString body = settings.WasRead("Body") || settings.IsAbsent("Body")
                                ? settings.Body : AnsiString("... und alles Gute zum Geburtstag");
    // A contact without an address gets no empty mail.
    if (SysUtils::Trim(Address).empty()) {
        log_("BM_Keine_EMailAdresse");
        return;
    }
    try {
        const AnsiString url =
            "mailto:" + MailPart(Address) + "?subject=Herzlichen Glückwunsch&body=" + MailPart(body);
        ShellExecute(window_(), "open", url.c_str(), nullptr, nullptr, SW_SHOW);
    } catch (const std::exception& e) {
        // The greeting is offered again at the next day's first build; the calendar carries on.
        log_(AnsiString("Geburtstagsmail: ") + e.what() + "\n");
    }
}
