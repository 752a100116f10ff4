#pragma once
// A temporary program folder with a design, a registry of its own, a real SQLite database and a
// fake main window, for the page builder and its tag handlers.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ADODB.h"
#include "BuildCalendar.h"
#include "CalendarHost.h"
#include "PageRequest.h"
#include "Feiertage.h"
#include "Gemeinsam.h"
#include "Registry.h"
#include "TarvolinDaten.h"
#include "TempDir.h"

namespace caltest {

inline TDateTime D(Word y, Word m, Word d, double hours = 0) {
    return TDateTime(double(SysUtils::EncodeDate(y, m, d)) + hours / 24.0);
}

// The main window as the calendar sees it, and what a page build's module asks while it expands a
// page. Members the calendar may only use on the main thread count the calls made elsewhere.
class FakeHost : public ICalendarHost, public ICalendarWindow {
public:
    AnsiString exeDir, connectionString, user = "anna";
    int width = 800, height = 600, screenWidth = 1024, screenHeight = 768;
    std::vector<std::string> messages, pages, commands, splash, announcements, mails;
    std::vector<int> closeRequests;
    ViewParameters main;
    TDateTime settingsDate;
    int sayInterval = -1;
    int sayEnabled = -1;
    std::atomic<bool> alarms{false}, announcePending{false}, mailOnBirthday{false};
    std::atomic<int> offMainThread{0};
    TFeiertage feiertage{nullptr};
    std::mutex logMutex;
    std::string log;

    void Main() { if (!Classes::IsMainThread()) ++offMainThread; }

    AnsiString GetCalendarUser() override { return user; }
    AnsiString ExeDir() const override { return exeDir; }
    AnsiString ConnectionString() const override { return connectionString; }
    int MainWindowWidth() override { Main(); return width; }
    int MainWindowHeight() override { Main(); return height; }
    int ScreenWidth() override { Main(); return screenWidth; }
    int ScreenHeight() override { Main(); return screenHeight; }
    void ShowMessage(const AnsiString& Text) override { Main(); messages.push_back(Text); }
    AnsiString reportedFailure;
    AnsiString& ReportedBuildFailure() override { Main(); return reportedFailure; }
    // Recorded with its values written in where they are bound, as the statement reads to a person.
    void ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) override;
    void LoadPageIntoBrowser(const std::string& Page) override { Main(); pages.push_back(Page); }
    void CloseMainWindow(int ExitCode) override { Main(); closeRequests.push_back(ExitCode); }
    void SetSplashStatus(const AnsiString& Text) override { Main(); splash.push_back(Text); }
    ViewParameters& MainViewParameters() override { Main(); return main; }
    TDateTime SettingsDate() { Main(); return settingsDate; }
    void SetSettingsDate(TDateTime Value) override { Main(); settingsDate = Value; }
    void SetSayTimeInterval(int Value) override { Main(); sayInterval = Value; }
    void SetSayTimeEnabled(bool Value) override { Main(); sayEnabled = Value; }
    void SetAnnouncementText(const AnsiString& Text) override { Main(); announcements.push_back(Text); }
    void SendBirthdayMail(const AnsiString& Address) override { Main(); mails.push_back(Address); }
    void WriteDebugLog(const AnsiString& Text) override {
        std::lock_guard<std::mutex> lock(logMutex);
        log += Text;
    }
    void SetAlarmsPresent(bool Value) override { alarms = Value; }
    bool AnnouncePending() override { return announcePending; }
    bool MailOnBirthday() override { return mailOnBirthday; }
    TFeiertage* Feiertage1() override { return &feiertage; }
};

// Templates of a small design: every view tag of the page shows up in the text.
struct Design {
    std::string haupt = "<html><body font=\"<#FONT>\" size=\"<#FONTSIZE>\" bg=\"<#BGCOLOR>\">\n"
                        "<div x=<#TRVX> y=<#TRVY> w=<#TRVW> h=<#TRVH>><#KW> <#DATUM></div>\n"
                        "<#TARVOLIN>\n</body></html>\n";
    std::string monat = "MONAT <#MONTH>";
    std::string tag = "<#DAY>";
    std::string woche = "WOCHE <#KW>";
    std::string xtage = "XTAGE <#KW>";
    std::string xtagetag = "<#DAY>";
};

class CalendarTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::unique_ptr<testsupport::ScopedEnv> registryEnv;
    FakeHost host;

    void SetUp() override;
    void TearDown() override;

    // Writes the templates into "Vorlagen" of the program folder (empty texts are left out).
    void WriteDesign(const Design& design, const std::string& folder = "Vorlagen");
    // Runs a statement on the test database.
    void Sql(const std::string& statement);
    // The first column of the first row of a query, as text.
    std::string Query(const std::string& statement);
    void AddAppointment(TDateTime start, TDateTime end, const std::string& subject,
                        const std::string& notes = "", int terminart = 0, int alarm = 0,
                        const std::string& user = "anna", const std::string& addressNr = "");
    void SetSetting(const std::string& name, int value);
    void SetSetting(const std::string& name, const std::string& value);
    bool HasSetting(const std::string& name);
    int IntSetting(const std::string& name);
    std::string StringSetting(const std::string& name);

    // Builds one page on a builder thread from a request made here, and applies its result here.
    void Build(TDateTime date, int viewMode = -1);
    void Drain() { while (Classes::CheckSynchronize()) {} }
};

} // namespace caltest
