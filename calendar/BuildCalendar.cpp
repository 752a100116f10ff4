#include "BuildCalendar.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "Appointments.h"
#include "Failures.h"
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

BuildTarvolan::BuildTarvolan(bool CreateSuspended) : TThread(CreateSuspended) {}

BuildTarvolan::~BuildTarvolan() { WaitFor(); }

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

void BuildTarvolan::Execute() {
    Result = PageResult();
    Result.View = Request.View;
    Build();
}

void BuildTarvolan::Build() {
    ViewParameters& p = Result.View;
    AnsiString user = Request.User;
    // Causes for the user, in German; the page is still built where it can be.
    std::vector<AnsiString>& problems = Result.Problems;
    if (user.find('\0') != AnsiString::npos) {
        // A statement cannot hold the character; in its place stands one no stored name holds.
        user = SysUtils::StringReplace(user, AnsiString(1, '\0'), "\xEF\xBF\xBD", SysUtils::rfReplaceAll);
        problems.push_back("Der Benutzername enthält ein Nullzeichen; gezeigt werden nur die Termine für alle.");
    }
    bool pageShown = false;
    try {
        auto module = std::make_unique<TTarvolinDatenModul>(nullptr, static_cast<ICalendarHost*>(this));
        if (module->TemplatesMissing()) {
            Result.TemplatesMissingExitCode = 1;
            return;
        }
        if (Request.SettingsRead) ApplySettings(p, Request.Settings);
        // A view number the program does not know is shown as the x-days view.
        if (p.ViewMode > vmXDays) p.ViewMode = vmXDays;

        module->ShowPastAppointments = Request.SettingsRead ? Request.Settings.vorHeute : true;
        module->InfoColorHtml = ColorToHtml(clInfoBk);
        module->View = &p;
        Word y, m, d;
        SysUtils::DecodeDate(p.StartDate, y, m, d);
        module->ShownMonth = m;
        module->MainWindowWidth = Request.WindowWidth;
        module->MainWindowHeight = Request.WindowHeight;
        module->ScreenWidth = Request.ScreenWidth;
        module->ScreenHeight = Request.ScreenHeight;
        module->HasPreviousBuild = Request.HasPreviousBuild;
        module->PreviousBuild = Request.PreviousBuild;

        MoveStartDate(p);
        if (p.ViewMode != vmMonth) {
            module->PageProducerTarvolinWoche->SetHTMLFile(p.ViewMode == vmWeek ? module->WocheTemplate
                                                                                 : module->XtageTemplate);
            if (!SysUtils::FileExists(module->PageProducerHaupt->HTMLFile())) {
                Result.TemplatesMissingExitCode = 0;
                return;
            }
        }
        const auto [from, to] = AppointmentsRange(p);
        module->SetAppointments(AppointmentsBetween(module->ADOConnection, user, from, to));

        Result.Page = PageText(module->PageProducerHaupt->Content());
        pageShown = !Result.Page.empty();
        if (!module->Failure.empty())
            problems.push_back("Der Kalender konnte nicht vollständig aufgebaut werden. " + module->Failure);
        Result.NeedUpdateServed = true;
        Result.NeedUpdateStatement = "update BenutzerEinstellungen set NeedUpdate = false where Benutzer = ?";
        Result.NeedUpdateParameters = {Variant(user)};
    } catch (const std::exception& e) {
        // The refresh request stays set.
        Result.NeedUpdateServed = false;
        problems.push_back((pageShown ? "Der Kalender konnte nicht vollständig aufgebaut werden. "
                                      : "Der Kalender konnte nicht aufgebaut werden. ") +
                           DescribeFailure(e));
        Result.Detail = FailureDetail(e);
    } catch (...) {
        Result.NeedUpdateServed = false;
        problems.push_back("Der Kalender konnte nicht aufgebaut werden.");
    }
    Result.CopyBack = true;
}
