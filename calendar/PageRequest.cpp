#include "PageRequest.h"

#include <exception>

#include "Failures.h"
#include "Registry.h"

namespace {

// The date of this program's latest build when it could not be stored (another program held the
// settings, or they cannot be written), with the settings file it belongs to. Until it is stored it
// counts as the previous build, so the day's first build (and its birthday mails) comes once.
// Only the main thread makes requests.
struct UnstoredBuild {
    AnsiString settingsFile;
    TDateTime date;
} g_unstoredBuild;

AnsiString NotStored(const std::exception& e) {
    return AnsiString("Die Einstellungen können nicht gespeichert werden; der Kalender wird trotzdem gezeigt. (") +
           e.what() + ")";
}

AnsiString NotRead(const AnsiString& Why) {
    return "Die Einstellungen können nicht gelesen werden; der Kalender wird mit den bisherigen Werten gezeigt. (" +
           Why + ")";
}

// Takes the date of the previous build from the settings and stores today's in its place.
void StampBuild(PageRequest& Request, ICalendarWindow& Window) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(TarvolinKey, true)) return;
    AnsiString text;
    TDateTime previous;
    bool hasPrevious = reg.TryReadString("Datum", text) && SysUtils::TryStrToDate(text, previous);
    const AnsiString settingsFile = TRegistry::HiveFileName(HKEY_CURRENT_USER);
    if (g_unstoredBuild.settingsFile == settingsFile &&
        (!hasPrevious || double(g_unstoredBuild.date) > double(previous))) {
        previous = g_unstoredBuild.date;
        hasPrevious = true;
    }
    Window.SetSettingsDate(hasPrevious ? previous : SysUtils::Now());
    Request.HasPreviousBuild = hasPrevious;
    if (hasPrevious) Request.PreviousBuild = previous;
    const TDateTime now = SysUtils::Now();
    try {
        // A settings folder that cannot be written must not cost the page.
        reg.WriteString("Datum", SysUtils::DateToStr(now));
        g_unstoredBuild = UnstoredBuild{};
    } catch (const std::exception& e) {
        g_unstoredBuild = UnstoredBuild{settingsFile, now};
        if (Request.SettingsFailure.empty()) Request.SettingsFailure = NotStored(e);
    }
}

} // namespace

PageRequest MakePageRequest(ICalendarWindow& Window, TDateTime ADate) {
    PageRequest r;
    r.View = Window.MainViewParameters();
    r.View.CalendarDate = ADate;
    r.View.StartDate = ADate;
    r.User = Window.GetCalendarUser();
    r.ExeDir = Window.ExeDir();
    r.ConnectionString = Window.ConnectionString();
    r.WindowWidth = Window.MainWindowWidth();
    r.WindowHeight = Window.MainWindowHeight();
    r.ScreenWidth = Window.ScreenWidth();
    r.ScreenHeight = Window.ScreenHeight();
    r.AnnouncePending = Window.AnnouncePending();
    r.MailOnBirthday = Window.MailOnBirthday();
    try {
        StampBuild(r, Window);
    } catch (const std::exception& e) {
        // What could not be read keeps the values the window has.
        r.SettingsFailure = NotRead(e.what());
        return r;
    }
    TSettings& settings = TSettings::Program();
    r.Settings = settings.Current();
    if (!r.Settings.Problem.empty()) {
        if (r.SettingsFailure.empty()) r.SettingsFailure = NotRead(r.Settings.Problem);
        return r;
    }
    // The page's colours of a day are written once, as the page takes them.
    for (const TSettingField<bool> transparent :
         {&TSettingsValue::BackgroundColorDaysTransparent, &TSettingsValue::BackgroundColorTodayTransparent})
        if (!r.Settings.WasRead(TSettings::NameOf(transparent)) && !settings.Write(transparent, false, true) &&
            r.SettingsFailure.empty())
            r.SettingsFailure = NotStored(ERegistryException(TSettings::NameOf(transparent)));
    r.SettingsRead = true;
    Window.SetSayTimeInterval(r.Settings.CharacterSayTimeAll);
    Window.SetSayTimeEnabled(r.Settings.CharacterSayTime);
    return r;
}

void ApplyPageResult(PageResult& Result, const PageRequest& Request, ICalendarWindow& Window) {
    for (const AnsiString& text : Result.SplashTexts) Window.SetSplashStatus(text);
    for (const AnsiString& line : Result.LogLines) Window.WriteDebugLog(line);
    if (Result.TemplatesMissingExitCode >= 0) {
        // The message first; the window's end comes after it, never inside it.
        Window.ShowMessage(TemplatesMissingMessage);
        Window.CloseMainWindow(Result.TemplatesMissingExitCode);
        return;
    }
    if (Result.AlarmsToday) Window.SetAlarmsPresent(true);
    if (!Result.Announcement.empty()) Window.SetAnnouncementText(Result.Announcement);
    for (const AnsiString& address : Result.BirthdayAddresses) Window.SendBirthdayMail(address);
    const bool pageShown = !Result.Page.empty();
    if (pageShown) Window.LoadPageIntoBrowser(Result.Page);
    std::vector<AnsiString> problems = std::move(Result.Problems);
    AnsiString detail = Result.Detail;
    if (Result.NeedUpdateServed) {
        try {
            Window.ExecuteCommand(Result.NeedUpdateStatement, Result.NeedUpdateParameters);
        } catch (const std::exception& e) {
            // The refresh request stays set: the next minute asks again.
            problems.push_back("Der Kalender konnte nicht vollständig aufgebaut werden. " + DescribeFailure(e));
            detail = FailureDetail(e);
        }
    }
    if (!Request.SettingsFailure.empty()) problems.push_back(Request.SettingsFailure);

    // The user hears of a cause once; a build without trouble lets the next one be told again.
    AnsiString text;
    for (const AnsiString& p : problems) text += (text.empty() ? "" : "\n\n") + p;
    AnsiString& reported = Window.ReportedBuildFailure();
    if (text != reported) {
        reported = text;
        if (!text.empty()) {
            Window.WriteDebugLog("Seitenaufbau: " + SysUtils::StringReplace(text, "\n\n", "\n", SysUtils::rfReplaceAll) +
                                 (detail.empty() ? AnsiString() : " [" + detail + "]") + "\n");
            Window.ReportProblem(text);
        }
    }
    if (!pageShown) Window.PageNotBuilt(text.empty() ? AnsiString("Der Kalender konnte nicht aufgebaut werden.") : text);

    if (!Result.CopyBack) return;
    // Only what the build owns; the date asked for and the window's colour stay the window's.
    ViewParameters& main = Window.MainViewParameters();
    const ViewParameters& p = Result.View;
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
