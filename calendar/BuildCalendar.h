#pragma once
// The page builder: one thread per calendar page. The main window fills Parameters, resumes the
// thread and waits for it (servicing its synchronised calls) before it starts the next one.
#include <utility>
#include <vector>

#include "CalendarHost.h"
#include "Classes.h"
#include "Colors.h"
#include "Settings.h"
#include "ViewParameters.h"

class BuildTarvolan : public TThread {
public:
    BuildTarvolan(bool CreateSuspended, ICalendarHost* Host);
    ~BuildTarvolan() override;

    // "#RRGGBB" of a colour; a system colour is resolved first.
    static AnsiString ColorToHtml(TColor Color);

    // Moves StartDate to the first shown day: the Monday of the week, the Monday on or before the
    // 1st of CalendarDate's month, or (x days) where it is.
    static void MoveStartDate(ViewParameters& Parameters);
    // The bounds the starts of the shown range's appointments lie strictly between, after
    // MoveStartDate: a week's from midnight starting the Sunday before its Monday to midnight
    // starting the Monday after, the x days' from midnight five days before the start day to
    // midnight starting the thirtieth day after, a month's its days as a date's month is read.
    static std::pair<TDateTime, TDateTime> AppointmentsRange(const ViewParameters& Parameters);
    // The view block's part that comes from the settings: font, colours, view, fade mode.
    static void ApplySettings(ViewParameters& Parameters, const TSettingsValue& Settings);

    // The builder's copy of the view block.
    ViewParameters Parameters;
    // Registry "vorHeute": days before today show their appointments.
    bool ShowPastAppointments = true;

protected:
    void Execute() override;

private:
    void ReadSettings();
    void ReadRegistrySettings();
    // Tells the user (once per cause, on the main thread) and the debug log why the page is
    // missing or incomplete; an empty list marks a build without trouble. Detail, the technical
    // words behind a failure, goes to the log only.
    void Report(const std::vector<AnsiString>& Problems, const AnsiString& Detail);
    void ShowPage();
    void CopyBack();

    ICalendarHost* host_;
    TMemoryStream* PageStream = nullptr;
    // Taken on the main thread while the settings are read.
    int windowWidth_ = 0, windowHeight_ = 0, screenWidth_ = 0, screenHeight_ = 0;
    bool hasPreviousBuild_ = false;
    TDateTime previousBuild_;
    // Why settings could not be read or saved; the page is built all the same.
    AnsiString settingsFailure_;
};
