#include "BuildCalendar.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "Appointments.h"
#include "Failures.h"
#include "Registry.h"
#include "Settings.h"
#include "TarvolinDaten.h"

namespace {

// The least number whose date is Day or later. A date is read to the millisecond, so a time half a
// millisecond before midnight is already the next day (and before 1899-12-30 the day runs
// backwards): the number is searched between the midnights that bound it, which the dates of the
// numbers between them follow in order.
double FirstMomentOf(TDateTime Day) {
    double before = double(Day) - 1, at = double(Day);
    for (;;) {
        const double middle = before + (at - before) / 2;
        if (middle <= before || middle >= at) return at;
        if (double(SysUtils::DateOf(TDateTime(middle))) < double(Day)) before = middle;
        else at = middle;
    }
}

// The date of this program's latest build when it could not be stored (another program held the
// settings, or they cannot be written), with the settings file it belongs to. Until it is stored it
// counts as the previous build, so the day's first build (and its birthday mails) comes once.
// Only the main thread reads the settings.
struct UnstoredBuild {
    AnsiString settingsFile;
    TDateTime date;
} g_unstoredBuild;


// The page as a string list gives it back: each line ends in CR LF, whether it ended in CR LF, CR,
// LF or nothing at all. Done in one pass; a large page split into lines and joined again costs
// an allocation per line.
AnsiString PageText(const AnsiString& content) {
    AnsiString out;
    out.reserve(content.size() + content.size() / 16 + 2);
    std::size_t i = 0;
    while (i < content.size()) {
        const std::size_t j = content.find_first_of("\r\n", i);
        if (j == AnsiString::npos) {
            out.append(content, i, AnsiString::npos);
            out += "\r\n";
            break;
        }
        out.append(content, i, j - i);
        out += "\r\n";
        i = j + (content[j] == '\r' && j + 1 < content.size() && content[j + 1] == '\n' ? 2 : 1);
    }
    return out;
}

} // namespace

BuildTarvolan::BuildTarvolan(bool CreateSuspended, ICalendarHost* Host)
    : TThread(CreateSuspended), host_(Host) {}

BuildTarvolan::~BuildTarvolan() {
    WaitFor();
    delete PageStream;
}

AnsiString BuildTarvolan::ColorToHtml(TColor Color) {
    // Masked to 24 bits: a value such as clNone would otherwise give eight digits and shift the pairs.
    const AnsiString s = SysUtils::IntToHex(Graphics::ColorToRGB(Color) & 0xFFFFFF, 6);
    return "#" + s.substr(4, 2) + s.substr(2, 2) + s.substr(0, 2);
}

void BuildTarvolan::MoveStartDate(ViewParameters& p) {
    auto backToMonday = [&p] {
        while (p.StartDate.DayOfWeek() != 2) p.StartDate = TDateTime(double(p.StartDate) - 1);
    };
    if (p.ViewMode == vmWeek) {
        backToMonday();
    } else if (p.ViewMode == vmMonth) {
        Word y, m, d;
        SysUtils::DecodeDate(p.CalendarDate, y, m, d);
        p.StartDate = SysUtils::EncodeDate(y, m, 1);
        backToMonday();
    }
}

std::pair<TDateTime, TDateTime> BuildTarvolan::AppointmentsRange(const ViewParameters& p) {
    if (p.ViewMode == vmMonth) {
        Word y, m, d;
        SysUtils::DecodeDate(p.CalendarDate, y, m, d);
        const TDateTime first = SysUtils::EncodeDate(y, m, 1);
        const double after = FirstMomentOf(TDateTime(double(first) + SysUtils::DaysInAMonth(y, m)));
        return {TDateTime(std::nextafter(FirstMomentOf(first), -HUGE_VAL)), TDateTime(after)};
    }
    const double start = p.StartDate;
    if (p.ViewMode == vmWeek) return {SysUtils::DateOf(start - 1), SysUtils::DateOf(start + 7)};
    return {SysUtils::DateOf(start - 5), SysUtils::DateOf(start + 30)};
}

void BuildTarvolan::ReadSettings() {
    windowWidth_ = host_->MainWindowWidth();
    windowHeight_ = host_->MainWindowHeight();
    screenWidth_ = host_->ScreenWidth();
    screenHeight_ = host_->ScreenHeight();

    try {
        ReadRegistrySettings();
    } catch (const std::exception& e) {
        // What was read stands; the rest keeps the values the main window handed over.
        if (settingsFailure_.empty())
            settingsFailure_ = AnsiString("Die Einstellungen können nicht gelesen werden; der Kalender wird mit den "
                                          "bisherigen Werten gezeigt. (") + e.what() + ")";
    }
}

void BuildTarvolan::ReadRegistrySettings() {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(TarvolinKey, true)) return;
    // A settings folder that cannot be written must not cost the page.
    auto write = [this](const std::function<void()>& change) {
        try {
            change();
        } catch (const std::exception& e) {
            if (settingsFailure_.empty())
                settingsFailure_ = AnsiString("Die Einstellungen können nicht gespeichert werden; der Kalender wird "
                                              "trotzdem gezeigt. (") + e.what() + ")";
        }
    };
    AnsiString text;

    TDateTime previous;
    bool hasPrevious = reg.TryReadString("Datum", text) && SysUtils::TryStrToDate(text, previous);
    const AnsiString settingsFile = TRegistry::HiveFileName(HKEY_CURRENT_USER);
    if (g_unstoredBuild.settingsFile == settingsFile &&
        (!hasPrevious || double(g_unstoredBuild.date) > double(previous))) {
        previous = g_unstoredBuild.date;
        hasPrevious = true;
    }
    if (hasPrevious) {
        host_->SetSettingsDate(previous);
        hasPreviousBuild_ = true;
        previousBuild_ = previous;
    } else {
        host_->SetSettingsDate(SysUtils::Now());
        hasPreviousBuild_ = false;
    }
    const TDateTime now = SysUtils::Now();
    bool stored = false;
    write([&reg, now, &stored] {
        reg.WriteString("Datum", SysUtils::DateToStr(now));
        stored = true;
    });
    g_unstoredBuild = stored ? UnstoredBuild{} : UnstoredBuild{settingsFile, now};

    TSettings& settings = TSettings::Program();
    const TSettingsValue s = settings.Current();
    if (!s.Problem.empty()) throw ERegistryException(s.Problem);
    // The page's colours of a day are written once, as the page takes them.
    for (const TSettingField<bool> transparent :
         {&TSettingsValue::BackgroundColorDaysTransparent, &TSettingsValue::BackgroundColorTodayTransparent})
        if (!s.WasRead(TSettings::NameOf(transparent)))
            write([&settings, transparent] {
                if (!settings.Write(transparent, false, true)) throw ERegistryException(TSettings::NameOf(transparent));
            });
    ApplySettings(Parameters, s);
    ShowPastAppointments = s.vorHeute;
    host_->SetSayTimeInterval(s.CharacterSayTimeAll);
    host_->SetSayTimeEnabled(s.CharacterSayTime);
}

void BuildTarvolan::ApplySettings(ViewParameters& p, const TSettingsValue& s) {
    p.FontName = s.Font;
    p.FontSize = s.FontSize;
    p.FontColorHtml = ColorToHtml(s.FontColor);
    p.ShowFullWeeksInMonthView = s.showFullWeeksInMonthView;
    p.DaysColorHtml = s.BackgroundColorDaysTransparent ? AnsiString() : ColorToHtml(s.BackgroundColorDays);
    p.ColorKeyHtml = ColorToHtml(p.ColorKey);
    p.TodayColorHtml = s.BackgroundColorTodayTransparent ? AnsiString() : ColorToHtml(s.BackgroundColorToday);
    p.WeekendColorHtml = ColorToHtml(s.WeekendColor);
    p.ViewMode = static_cast<Byte>(s.VORLAGE);
    p.FadeOnActivation = s.TransparenzOnActiveWindow;
}

void BuildTarvolan::ShowPage() {
    PageStream->Seek(0, soBeginning);
    host_->LoadPageIntoBrowser(PageStream->DataString());
}

void BuildTarvolan::CopyBack() {
    // Only what the build owns; the date asked for and the window's colour stay the main window's.
    ViewParameters& main = host_->MainViewParameters();
    const ViewParameters& p = Parameters;
    main.FadeOnActivation = p.FadeOnActivation;
    main.ShowFullWeeksInMonthView = p.ShowFullWeeksInMonthView;
    main.FontName = p.FontName;
    main.FontSize = p.FontSize;
    main.PageLeft = p.PageLeft;
    main.PageTop = p.PageTop;
    main.PageWidth = p.PageWidth;
    main.PageHeight = p.PageHeight;
    main.ViewMode = p.ViewMode;
    main.StartDate = p.StartDate;
    main.FontColorHtml = p.FontColorHtml;
    main.DaysColorHtml = p.DaysColorHtml;
    main.TodayColorHtml = p.TodayColorHtml;
    main.ColorKeyHtml = p.ColorKeyHtml;
    main.WeekendColorHtml = p.WeekendColorHtml;
}

void BuildTarvolan::Execute() {
    AnsiString user = host_->GetCalendarUser();
    // Causes for the user, in German; the page is still built where it can be.
    std::vector<AnsiString> problems;
    AnsiString detail;
    if (user.find('\0') != AnsiString::npos) {
        // A statement cannot hold the character; in its place stands one no stored name holds.
        user = SysUtils::StringReplace(user, AnsiString(1, '\0'), "\xEF\xBF\xBD", SysUtils::rfReplaceAll);
        problems.push_back("Der Benutzername enthält ein Nullzeichen; gezeigt werden nur die Termine für alle.");
    }
    bool pageShown = false;
    std::unique_ptr<TTarvolinDatenModul> module;
    try {
        module = std::make_unique<TTarvolinDatenModul>(nullptr, host_);
        if (module->TemplatesMissing()) {
            // The message is shown and the window asked to close; this build ends without a page.
            return;
        }
        Synchronize([this] { ReadSettings(); });
        // A view number the program does not know is shown as the x-days view.
        if (Parameters.ViewMode > vmXDays) Parameters.ViewMode = vmXDays;

        ViewParameters& p = Parameters;
        module->ShowPastAppointments = ShowPastAppointments;
        module->InfoColorHtml = ColorToHtml(clInfoBk);
        module->View = &Parameters;
        Word y, m, d;
        SysUtils::DecodeDate(p.StartDate, y, m, d);
        module->ShownMonth = m;
        module->MainWindowWidth = windowWidth_;
        module->MainWindowHeight = windowHeight_;
        module->ScreenWidth = screenWidth_;
        module->ScreenHeight = screenHeight_;
        module->HasPreviousBuild = hasPreviousBuild_;
        module->PreviousBuild = previousBuild_;

        MoveStartDate(p);
        if (p.ViewMode != vmMonth) {
            module->PageProducerTarvolinWoche->SetHTMLFile(p.ViewMode == vmWeek ? module->WocheTemplate
                                                                                 : module->XtageTemplate);
            if (!SysUtils::FileExists(module->PageProducerHaupt->HTMLFile())) {
                ICalendarHost* host = host_;
                Synchronize([host] { host->ShowMessage("Eine oder mehrere der Vorlagen wurden nicht gefunden"); });
                Classes::QueueOnMainThread([host] { host->CloseMainWindow(0); });
                return;
            }
        }
        const auto [from, to] = AppointmentsRange(p);
        module->SetAppointments(AppointmentsBetween(module->ADOConnection, user, from, to));

        const AnsiString page = PageText(module->PageProducerHaupt->Content());
        if (!page.empty()) {
            PageStream = new TMemoryStream;
            PageStream->WriteBuffer(page.data(), static_cast<std::int64_t>(page.size()));
            Synchronize([this] { ShowPage(); });
            delete PageStream;
            PageStream = nullptr;
            pageShown = true;
        }
        if (!module->Failure.empty())
            problems.push_back("Der Kalender konnte nicht vollständig aufgebaut werden. " + module->Failure);

        ICalendarHost* host = host_;
        Synchronize([host, user] {
            host->ExecuteCommand("update BenutzerEinstellungen set NeedUpdate = false where Benutzer = ?",
                                 {Variant(user)});
        });
    } catch (const std::exception& e) {
        // The page stays as it was and the refresh request stays set.
        delete PageStream;
        PageStream = nullptr;
        problems.push_back((pageShown ? "Der Kalender konnte nicht vollständig aufgebaut werden. "
                                      : "Der Kalender konnte nicht aufgebaut werden. ") +
                           DescribeFailure(e));
        detail = FailureDetail(e);
    } catch (...) {
        delete PageStream;
        PageStream = nullptr;
        problems.push_back("Der Kalender konnte nicht aufgebaut werden.");
    }
    if (!settingsFailure_.empty()) problems.push_back(settingsFailure_);
    Report(problems, detail);
    if (!pageShown) {
        ICalendarHost* host = host_;
        AnsiString why;
        for (const AnsiString& p : problems) why += (why.empty() ? "" : "\n\n") + p;
        if (why.empty()) why = "Der Kalender konnte nicht aufgebaut werden.";
        Classes::QueueOnMainThread([host, why] { host->PageNotBuilt(why); });
    }
    try {
        Synchronize([this] { CopyBack(); });
    } catch (...) {
    }
}

void BuildTarvolan::Report(const std::vector<AnsiString>& Problems, const AnsiString& Detail) {
    AnsiString text;
    for (const AnsiString& p : Problems) text += (text.empty() ? "" : "\n\n") + p;
    // The user hears of a cause once; a build without trouble lets the next one be told again.
    ICalendarHost* host = host_;
    Classes::QueueOnMainThread([host, text, Detail] {
        AnsiString& reported = host->ReportedBuildFailure();
        if (text == reported) return;
        reported = text;
        if (text.empty()) return;
        host->WriteDebugLog("Seitenaufbau: " + SysUtils::StringReplace(text, "\n\n", "\n", SysUtils::rfReplaceAll) +
                            (Detail.empty() ? AnsiString() : " [" + Detail + "]") + "\n");
        host->ReportProblem(text);
    });
}
