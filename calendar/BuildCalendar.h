#pragma once
// The page builder: one thread per calendar page. The main window gives it a request, resumes the
// thread and applies its result once it has ended; the thread calls nothing of the window.
#include <utility>
#include <vector>

#include "CalendarHost.h"
#include "PageRequest.h"
#include "Classes.h"
#include "Colors.h"
#include "Settings.h"
#include "ViewParameters.h"

class BuildTarvolan : public TThread, private ICalendarHost {
public:
    explicit BuildTarvolan(bool CreateSuspended);
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

    // Set before the thread is resumed; the build reads nothing else.
    PageRequest Request;
    // Complete once the thread has ended (its OnTerminate sees it complete).
    PageResult Result;

protected:
    void Execute() override;

private:
    // What the data module asks of the build, answered from the request and into the result.
    AnsiString ExeDir() const override { return Request.ExeDir; }
    AnsiString ConnectionString() const override { return Request.ConnectionString; }
    void SetSplashStatus(const AnsiString& Text) override { Result.SplashTexts.push_back(Text); }
    void WriteDebugLog(const AnsiString& Text) override { Result.LogLines.push_back(Text); }
    void SetAlarmsPresent(bool Value) override { Result.AlarmsToday = Value; }
    bool AnnouncePending() override { return Request.AnnouncePending; }
    bool MailOnBirthday() override { return Request.MailOnBirthday; }
    void SetAnnouncementText(const AnsiString& Text) override { Result.Announcement = Text; }
    void SendBirthdayMail(const AnsiString& Address) override { Result.BirthdayAddresses.push_back(Address); }
    void Build();
};
