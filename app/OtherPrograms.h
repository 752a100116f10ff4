#pragma once
// The programs beside this one that the user reaches from the calendar: the appointment planner,
// the address book, the help and the mail program for birthday greetings. Each is started without
// waiting for it; one that is missing or does not start is named to the user, in German.
#include <functional>

#include "SysUtils.h"
#include "WinApi.h"

class TOtherPrograms {
public:
    // ExeDir is the program folder the siblings lie in; Window the window they are started for.
    TOtherPrograms(const AnsiString& ExeDir, std::function<HWND()> Window,
                   std::function<void(const AnsiString&)> WriteDebugLog);

    void StartPlanner();
    // The planner, opened at the day DateText ("dd.mm.yyyy").
    void OpenDayInPlanner(const AnsiString& DateText);
    void StartAddressBook();
    void ShowHelp();
    // The mail program with a greeting to Address, its text the settings' (a contact without an
    // address gets no mail, only a line in the log).
    void SendBirthdayMail(const AnsiString& Address);
    // Starts a program beside this one (File, with Parameters, in Directory when given); when it is
    // missing or does not start, the user is told, What naming it ("Das Adressbuch ...").
    bool Start(const AnsiString& File, const AnsiString& Parameters, const char* Directory, const AnsiString& What);

private:
    AnsiString exeDir_;
    std::function<HWND()> window_;
    std::function<void(const AnsiString&)> log_;
};
