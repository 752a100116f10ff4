#pragma once
// What a page build's data module and tag handlers need while they expand a page. The page builder
// answers it on its own thread from the page's request and into the page's result (PageRequest.h);
// nothing of it reaches the main window while the page is built. A test answers it itself.
#include "SysUtils.h"

class TFeiertage;

class ICalendarHost {
public:
    virtual ~ICalendarHost() = default;

    // the program folder with a trailing delimiter
    virtual AnsiString ExeDir() const = 0;
    // the connection string of the program's database
    virtual AnsiString ConnectionString() const = 0;
    // progress text of the splash screen (nothing when there is none)
    virtual void SetSplashStatus(const AnsiString& Text) = 0;
    // one piece of text for the debug log
    virtual void WriteDebugLog(const AnsiString& Text) = 0;
    // today has an appointment with an alarm
    virtual void SetAlarmsPresent(bool Value) = 0;
    // today's appointments are to be spoken, and birthday mails sent
    virtual bool AnnouncePending() = 0;
    virtual bool MailOnBirthday() = 0;
    // today's appointments to be spoken
    virtual void SetAnnouncementText(const AnsiString& Text) = 0;
    // a birthday mail to Address
    virtual void SendBirthdayMail(const AnsiString& Address) = 0;
    // a holiday calculator the build may use, or null (the build then makes its own)
    virtual TFeiertage* Feiertage1() { return nullptr; }
};
