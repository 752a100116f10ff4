// Start-up of the main window: the connection string, where the database is found, the debug log
// and the greeting.
#include "AppFixture.h"
#include "ExtCtrls.h"
#include "FileLocks.h"
#include "FileRights.h"
#include "HeldLock.h"
#include "NotStoredReports.h"
#include "SessionMessages.h"
#include "Splash1.h"
#include "StrangeFiles.h"

#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <optional>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";
const char* const kNotFound =
    "Die Datenbank wurde nicht gefunden!\n Wählen Sie bitte den Pfad, in welchem sich die Datei \"zorbelin.mde\" "
    "befindet.";
} // namespace

TEST(ConnectionString, IsTheJetStringWithTheFolderAndNoClosingSemicolon) {
    EXPECT_EQ(ZorbelinConnectionString("/srv/zb/"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";User ID=Admin;Data Source=/srv/zb/zorbelin.mde;"
              "Mode=Share Deny None;Extended Properties=\"\";Jet OLEDB:System database=\"\";"
              "Jet OLEDB:Registry Path=\"\";Jet OLEDB:Database Password=\"\";Jet OLEDB:Engine Type=4;"
              "Jet OLEDB:Database Locking Mode=0;Jet OLEDB:Global Partial Bulk Ops=2;"
              "Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password=\"\";"
              "Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;"
              "Jet OLEDB:Don't Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica Repair=False;"
              "Jet OLEDB:SFP=False");
}

TEST(ConnectionString, NamesTheDatabaseFileToTheDataLayer) {
    TADOConnection connection(nullptr);
    connection.SetConnectionString(ZorbelinConnectionString("/srv/zb/"));
    EXPECT_EQ(connection.ConnectionStringValue("Data Source"), "/srv/zb/zorbelin.mde");
    EXPECT_EQ(connection.ConnectionStringValue("Jet OLEDB:Engine Type"), "4");
}

class DatabaseFolder : public AppTest {};

TEST_F(DatabaseFolder, UserFolderWithoutDelimiterGetsOneAndIsWrittenBack) {
    const std::string folder = LayOutDatabase("zb");
    TForm1 form(nullptr);
    const std::string withoutDelimiter = folder.substr(0, folder.size() - 1);
    EXPECT_TRUE(form.Startup().ConnectDatabase(withoutDelimiter));
    EXPECT_EQ(form.Startup().DatabaseFolder(), folder);
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), folder);
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(DatabaseFolder, MachineFolderServesWhenTheUserHasNoneAndIsNormalised) {
    const std::string folder = LayOutDatabase("machine");
    WriteMachineDbPath(folder.substr(0, folder.size() - 1));
    TForm1 form(nullptr);
    EXPECT_TRUE(form.Startup().ConnectDatabase(""));
    EXPECT_EQ(form.Startup().DatabaseFolder(), folder);
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), folder);
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(DatabaseFolder, MachineSettingsAreOnlyRead) {
    const std::string folder = LayOutDatabase("zb");
    TForm1 form(nullptr);
    EXPECT_EQ(form.Startup().ResolveDatabasePath(folder), folder);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "registry" / "HKEY_LOCAL_MACHINE.reg"));
}

TEST_F(DatabaseFolder, UserFolderWinsOverTheMachineFolder) {
    const std::string user = LayOutDatabase("user");
    WriteMachineDbPath(LayOutDatabase("machine"));
    TForm1 form(nullptr);
    EXPECT_EQ(form.Startup().ResolveDatabasePath(user), user);
}

TEST_F(DatabaseFolder, NothingFoundAndNoTakesTheFolderBesideTheProgram) {
    const std::string beside = LayOutDatabase("program/DB");
    presses = {"Nein"};
    TForm1 form(nullptr);
    EXPECT_TRUE(form.Startup().ConnectDatabase(""));
    EXPECT_EQ(form.Startup().DatabaseFolder(), beside);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, kNotFound);
    EXPECT_EQ(dialogs[0].buttons, (std::vector<std::string>{"Ja", "Nein"}));
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), beside);
}

TEST_F(DatabaseFolder, NothingAnywhereKeepsTheUsersSettingAndSaysSo) {
    WriteUserString(kZorbelin, "DBPATH", "/media/stick/zb/");
    presses = {"Nein", "OK"};
    TForm1 form(nullptr);
    EXPECT_EQ(form.Startup().ResolveDatabasePath("/media/stick/zb/"), "");
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].text, "Die angegebene Datenbank existiert nicht!");
    // The stick is only unplugged: its folder must still be there next time.
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), "/media/stick/zb/");
}

TEST_F(DatabaseFolder, YesLetsTheUserChooseTheFile) {
    const std::string chosen = LayOutDatabase("elsewhere");
    presses = {"Ja", "Öffnen"};
    chosenFile = chosen + "zorbelin.mde";
    TForm1 form(nullptr);
    EXPECT_TRUE(form.Startup().ConnectDatabase(""));
    EXPECT_EQ(form.Startup().DatabaseFolder(), chosen);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].text, "Datenbank wählen");
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), chosen);
}

TEST_F(DatabaseFolder, TheChooserOpensWhereTheDatabaseWasLookedForElseBesideTheProgram) {
    dir.write("leer/notiz.txt", "");
    // Each time: the question, the chooser cancelled, the question again, no sample beside the program.
    presses = {"Ja", "Abbrechen", "Nein", "OK", "Ja", "Abbrechen", "Nein", "OK"};
    TForm1 form(nullptr);
    EXPECT_EQ(form.Startup().ResolveDatabasePath(dir.str() + "leer/"), "");
    EXPECT_EQ(form.Startup().ResolveDatabasePath(dir.str() + "gone/"), "");
    ASSERT_EQ(dialogs.size(), 8u);
    EXPECT_EQ(dialogs[1].text, "Datenbank wählen");
    EXPECT_EQ(dialogs[5].text, "Datenbank wählen");
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::equivalent(dialogs[1].directory, dir.file("leer"), ec)) << dialogs[1].directory;
    EXPECT_TRUE(std::filesystem::equivalent(dialogs[5].directory, ProgramFolder(), ec)) << dialogs[5].directory;
}

TEST_F(DatabaseFolder, CancelledChoiceGoesBackToTheQuestionWithoutClaims) {
    const std::string beside = LayOutDatabase("program/DB");
    presses = {"Ja", "Abbrechen", "Nein"};
    TForm1 form(nullptr);
    EXPECT_TRUE(form.Startup().ConnectDatabase(""));
    EXPECT_EQ(form.Startup().DatabaseFolder(), beside);
    std::vector<std::string> texts;
    for (const Answer& a : dialogs) texts.push_back(a.text);
    // The user named no database: nothing is said about one.
    EXPECT_EQ(texts, (std::vector<std::string>{kNotFound, "Datenbank wählen", kNotFound}));
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), beside);
}

TEST_F(DatabaseFolder, StartWithoutAnyDatabaseEndsWithCodeOne) {
    presses = {"Nein", "OK", "OK"};
    TForm1 form(nullptr);
    form.FormCreate(&form);
    EXPECT_EQ(form.Startup().ExitCode, 1);
    ASSERT_EQ(dialogs.size(), 3u);
    EXPECT_EQ(dialogs[2].text, "Leider konnte keine Verbindung zur Datenbank hergestellt werden");
    EXPECT_FALSE(form.ADOConnection1->Connected());
    EXPECT_EQ(form.WebBrowser, nullptr);
}

TEST_F(DatabaseFolder, ABrokenDatabaseIsExplainedNeverRememberedAndLeadsBackToTheQuestion) {
    dir.write("broken/zorbelin.mde", "");
    const std::string broken = dir.str() + "broken/";
    WriteUserString(kZorbelin, "DBPATH", broken);
    const std::string beside = LayOutDatabase("program/DB");
    presses = {"OK", "Nein"};
    TForm1 form(nullptr);
    EXPECT_TRUE(form.Startup().ConnectDatabase(broken));
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].text.rfind("Leider konnte keine Verbindung zur Datenbank hergestellt werden\n"
                                    "Die Datenbankdatei ist leer (0 Byte) und keine Datenbank.", 0), 0u) << dialogs[0].text;
    EXPECT_EQ(dialogs[1].text, kNotFound);
    EXPECT_TRUE(form.ADOConnection1->Connected());
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), beside);
    EXPECT_EQ(dir.read("broken/zorbelin.mde"), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "broken"),
                            std::filesystem::directory_iterator()), 1);
}

TEST_F(DatabaseFolder, WhenNoOfferedDatabaseOpensNothingIsRememberedAndTheStartEnds) {
    dir.write("broken/zorbelin.mde", "");
    const std::string broken = dir.str() + "broken/";
    WriteUserString(kZorbelin, "DBPATH", broken);
    dir.write("program/DB/zorbelin.mde", "kein SQLite");
    // Broken; the question; the sample, broken too; the question again; the sample once more.
    presses = {"OK", "Nein", "OK", "Nein", "OK"};
    TForm1 form(nullptr);
    form.FormCreate(&form);
    EXPECT_EQ(form.Startup().ExitCode, 1);
    ASSERT_EQ(dialogs.size(), 5u);
    // In German throughout, with the file the user has to look at.
    EXPECT_EQ(dialogs[2].text, "Leider konnte keine Verbindung zur Datenbank hergestellt werden\nDie Datenbankdatei ist "
                               "keine Datenbank oder beschädigt. (Die Datei \"" + dir.str() +
                                   "program/DB/zorbelin.mde\" ist keine Datenbank.)");
    EXPECT_EQ(dialogs[3].text, kNotFound);
    EXPECT_EQ(dialogs[4].text, "Leider konnte keine Verbindung zur Datenbank hergestellt werden");
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), broken);
    EXPECT_NE(dir.read("temp/tarvolindebug.log").find("Die Datenbankdatei ist leer"), std::string::npos);
}

TEST_F(DatabaseFolder, ADamagedSettingsFileKeepsTheDatabaseFolderAndTellsTheUserOnce) {
    const std::string folder = LayOutDatabase("zb");
    dir.write("registry/HKEY_CURRENT_USER.reg",
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin]\n\"DBPATH\"=\"" + folder +
                  "\"\n\"BENUTZER\"=\"an");
    TForm1 form(nullptr);
    const std::string path = ReadUserString(kZorbelin, "DBPATH");
    EXPECT_EQ(path, folder);
    EXPECT_TRUE(form.Startup().ConnectDatabase(path));
    EXPECT_EQ(ReadUserString(kZorbelin, "BENUTZER"), "<missing>");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text.rfind("Die Einstellungsdatei \"" + dir.file("registry/HKEY_CURRENT_USER.reg") +
                                    "\" enthielt unlesbare Zeilen (Zeile 5).", 0), 0u) << dialogs[0].text;
}

TEST_F(DatabaseFolder, OneForeignByteInTheSettingsGarblesNoOtherValueAndTheFileIsKeptBeforeItChanges) {
    const std::string folder = LayOutDatabase("Büro");
    const std::string file = dir.file("registry/HKEY_CURRENT_USER.reg");
    const std::string original = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin]\n\"DBPATH\"=\"" +
                                 folder + "\"\n\"BENUTZER\"=\"J\xFCrgen\"\n";
    dir.write("registry/HKEY_CURRENT_USER.reg", original);
    TForm1 form(nullptr);
    const std::string path = ReadUserString(kZorbelin, "DBPATH");
    EXPECT_EQ(path, folder);
    // Connecting writes the settings: the other values stay as they were, the foreign one is UTF-8 now.
    EXPECT_TRUE(form.Startup().ConnectDatabase(path));
    EXPECT_EQ(ReadUserString(kZorbelin, "BENUTZER"), "Jürgen");
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), folder);
    EXPECT_NE(dir.read("registry/HKEY_CURRENT_USER.reg").find("\"BENUTZER\"=\"Jürgen\"\n"), std::string::npos);
    ASSERT_EQ(dialogs.size(), 1u);
    const std::string aside = dialogs[0].text.substr(dialogs[0].text.rfind("unter \"") + 7);
    EXPECT_EQ(dialogs[0].text, "Die Einstellungsdatei \"" + file + "\" enthielt Werte, die kein UTF-8 waren (Zeile 5); "
                               "sie wurden als Windows-1252 gelesen und als UTF-8 gespeichert. Die Datei, wie sie war, "
                               "liegt unter \"" + aside);
    ASSERT_GE(aside.size(), 2u);
    EXPECT_EQ(dir.read(std::filesystem::relative(aside.substr(0, aside.size() - 2), dir.path()).string()), original);
}

TEST_F(DatabaseFolder, ASettingAnotherProgramKeepsLockedIsReadAtOnceAndToldOnlyWhenItCannotBeStored) {
    const std::string folder = LayOutDatabase("zb");
    const std::string file = dir.file("registry/HKEY_CURRENT_USER.reg");
    testsupport::PendingClock clock;
    TForm1 form(nullptr);
    auto other = testsupport::HeldLock::Flock(file + ".lock");
    ASSERT_TRUE(other.Held());
    EXPECT_TRUE(form.Startup().ConnectDatabase(folder));
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), folder);
    EXPECT_EQ(dir.read("registry/HKEY_CURRENT_USER.reg").find("DBPATH"), std::string::npos);
    // Held up past the minute, the change is given up and told once.
    clock.Advance(PendingWrites::Limit);
    EXPECT_TRUE(testsupport::SleepUntil([&] {
        Application->ProcessMessages();
        return !dialogs.empty();
    }));
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "Die Einstellungsdatei \"" + file + "\" ist seit über einer Minute von einem anderen "
                               "Programm gesperrt. Nicht gespeichert wurde: \"DBPATH\".");
    // Still held up at the end, it goes to the debug log.
    EXPECT_TRUE(form.Startup().ConnectDatabase(folder));
    TCloseAction action = caHide;
    form.FormClose(&form, action);
    Application->ProcessMessages();
    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_NE(dir.read("temp/tarvolindebug.log").find("Die Einstellungsdatei \"" + file + "\" war beim Beenden von "
                                                      "einem anderen Programm gesperrt. Nicht gespeichert wurde: \"DBPATH\""),
              std::string::npos) << dir.read("temp/tarvolindebug.log");
    EXPECT_EQ(dir.read("registry/HKEY_CURRENT_USER.reg").find("DBPATH"), std::string::npos);
}

TEST_F(DatabaseFolder, AReadOnlyDatabaseIsOnlyReadWithoutAMessageAndTheLogSaysSo) {
    LayOutDesign();
    const std::string folder = LayOutDatabase("readonly");
    WriteUserString(kZorbelin, "DBPATH", folder);
    WriteUserString(kZorbelin, "BENUTZER", "hans");
    {
        // Another program asked for a new page: each build would clear the request.
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(folder));
        c.SetCommandText("insert into BenutzerEinstellungen (Benutzer, NeedUpdate) values ('hans', 1)");
        c.Execute();
    }
    std::filesystem::permissions(dir.path() / "readonly", std::filesystem::perms(0555));
    {
        testsupport::ScopedUserFileRights user;   // the main thread meets the folder as a user does
        TForm1 form(nullptr);
        form.FormCreate(&form);
        EXPECT_EQ(form.Startup().ExitCode, -1);
        EXPECT_TRUE(form.ADOConnection1->ReadOnly());
        ASSERT_TRUE(WaitUntil([&] { return form.WebBrowser && !form.WebBrowser->Busy() &&
                                           form.WebBrowser->LocationURL().rfind("zorbelin://", 0) == 0; }, 60000));
        // The page shows the appointments, and the rebuild after the window settled comes too.
        EXPECT_TRUE(WaitUntil([&] { return form.BuildCount() >= 2 && !form.Frame().ResizeTimer->Enabled(); }));
        Application->ProcessMessages();
    }
    std::filesystem::permissions(dir.path() / "readonly", std::filesystem::perms(0755));
    EXPECT_TRUE(dialogs.empty()) << dialogs[0].text;
    EXPECT_NE(dir.read("temp/tarvolindebug.log").find("kann nicht geändert werden; sie wird nur gelesen"),
              std::string::npos) << dir.read("temp/tarvolindebug.log");
    // Nothing was written beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "readonly"),
                            std::filesystem::directory_iterator()), 1);
}

// A stored database that another program keeps locked, or whose folder is not there yet, at the start.
class DatabaseAway : public AppTest {
protected:
    const std::string kLockQuestionEnd = "\" wird weiterhin von einem anderen Programm gesperrt.\nSoll Tarvolin "
                                         "weiter warten? (\"Nein\" beendet Tarvolin.)";
    // Runs on the events of the start's wait, every few milliseconds.
    TTimer watch{nullptr};

    void SetUp() override {
        AppTest::SetUp();
        LayOutDesign();
        WriteUserString(kZorbelin, "BENUTZER", "hans");
        watch.SetInterval(20);
    }
    void TearDown() override {
        watch.SetEnabled(false);
        AppTest::TearDown();
    }
    // The window of the test, started with the splash the program starts with.
    TForm1* window = nullptr;
    std::string SplashText() const {
        return window && window->SplashScreen ? window->SplashScreen->Message->Caption() : std::string();
    }
    static bool PageShown(TForm1& form) {
        return WaitUntil([&] { return form.WebBrowser && !form.WebBrowser->Busy() &&
                                      form.WebBrowser->LocationURL().rfind("zorbelin://", 0) == 0; }, 60000);
    }
};

TEST_F(DatabaseAway, ALockLongerThanTheStartOnceWaitedIsWaitedOutWithTheEventsRunning) {
    const std::string db = LayOutDatabase("zb");
    WriteUserString(kZorbelin, "DBPATH", db);
    auto other = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
    ASSERT_TRUE(other.Held());
    const auto taken = std::chrono::steady_clock::now();
    // The other program lets go once it has held the database longer than the five seconds the
    // start used to wait at most, and once the splash said why the start waits.
    bool saidWhy = false;
    std::optional<std::chrono::steady_clock::time_point> last;
    std::chrono::steady_clock::duration longestStill{};
    watch.OnTimer = [&](TObject*) {
        const auto now = std::chrono::steady_clock::now();
        if (other.Held() && last) longestStill = std::max(longestStill, now - *last);
        last = now;
        if (SplashText() == "Datenbank gesperrt, warte...") saidWhy = true;
        if (other.Held() && saidWhy && now - taken > std::chrono::seconds(6)) other.Release();
    };
    watch.SetEnabled(true);
    TForm1 form(nullptr, nullptr, new TSplashScreen(nullptr));
    window = &form;
    form.FormCreate(&form);
    EXPECT_EQ(form.Startup().ExitCode, -1);
    EXPECT_TRUE(saidWhy);
    EXPECT_FALSE(other.Held());
    // The splash was repainted and the signals served all along: the events never stood still
    // for as long as the start once did.
    EXPECT_LT(longestStill, std::chrono::milliseconds(testsupport::ScaledBelow(1500, 4000)));
    EXPECT_EQ(form.Startup().DatabaseFolder(), db);
    EXPECT_TRUE(PageShown(form));
    for (const Answer& a : dialogs) ADD_FAILURE() << a.text;
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), db);
}

TEST_F(DatabaseAway, AStoredFolderThatAppearsAfterAWhileIsWaitedFor) {
    const std::string folder = dir.str() + "netz/zb/";
    WriteUserString(kZorbelin, "DBPATH", folder);
    // The network folder is mounted a second after the splash said the start waits for it.
    std::optional<std::chrono::steady_clock::time_point> saidWhy;
    watch.OnTimer = [&](TObject*) {
        if (!saidWhy && SplashText() == "Warte auf den Datenbankordner...") saidWhy = std::chrono::steady_clock::now();
        if (saidWhy && !std::filesystem::exists(folder) &&
            std::chrono::steady_clock::now() - *saidWhy > std::chrono::seconds(1)) {
            LayOutDatabase("netz/eingehaengt");
            std::filesystem::rename(dir.path() / "netz" / "eingehaengt", dir.path() / "netz" / "zb");
        }
    };
    watch.SetEnabled(true);
    TForm1 form(nullptr, nullptr, new TSplashScreen(nullptr));
    window = &form;
    form.FormCreate(&form);
    EXPECT_EQ(form.Startup().ExitCode, -1);
    EXPECT_TRUE(saidWhy);
    EXPECT_EQ(form.Startup().DatabaseFolder(), folder);
    EXPECT_TRUE(PageShown(form));
    for (const Answer& a : dialogs) ADD_FAILURE() << a.text;
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), folder);
}

TEST_F(DatabaseAway, AFolderAwayPastTheLimitIsAskedAboutAndTheSampleTakenDoesNotReplaceIt) {
    const std::string beside = LayOutDatabase("program/DB");
    const std::string folder = dir.str() + "netz/zb/";
    WriteUserString(kZorbelin, "DBPATH", folder);
    presses = {"Nein"};
    TForm1 form(nullptr, nullptr, new TSplashScreen(nullptr));
    window = &form;
    form.Startup().DatabaseWaitLimit = std::chrono::milliseconds(300);
    EXPECT_TRUE(form.Startup().ConnectDatabase(folder));
    EXPECT_EQ(form.Startup().DatabaseFolder(), beside);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, kNotFound);
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), folder);
}

TEST_F(DatabaseAway, ALockPastTheLimitAsksWhetherToWaitOnAndNeverClaimsNoConnection) {
    const std::string db = LayOutDatabase("zb");
    LayOutDatabase("program/DB");
    WriteUserString(kZorbelin, "DBPATH", db);
    auto other = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
    ASSERT_TRUE(other.Held());
    // Wait on once, then end.
    presses = {"Ja", "Nein", "OK", "OK"};
    TForm1 form(nullptr, nullptr, new TSplashScreen(nullptr));
    window = &form;
    form.Startup().DatabaseWaitLimit = std::chrono::milliseconds(300);
    form.FormCreate(&form);
    EXPECT_EQ(form.Startup().ExitCode, 0);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(form.ADOConnection1->Connected());
    std::vector<std::string> texts;
    for (const Answer& a : dialogs) texts.push_back(a.text);
    const std::string question = "Die Datenbank \"" + db + "zorbelin.mde" + kLockQuestionEnd;
    EXPECT_EQ(texts, (std::vector<std::string>{question, question}));
    EXPECT_EQ(dialogs[0].buttons, (std::vector<std::string>{"Ja", "Nein"}));
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), db);
}

class DebugLog : public AppTest {};

TEST_F(DebugLog, FirstWriteOfARunEmptiesTheFileLaterOnesAppend) {
    dir.write("temp/tarvolindebug.log", "xyz");
    TForm1 form(nullptr);
    form.WriteDebugLog("abc");
    EXPECT_EQ(dir.read("temp/tarvolindebug.log"), "abc");
    form.WriteDebugLog("def");
    EXPECT_EQ(dir.read("temp/tarvolindebug.log"), "abcdef");
}

TEST_F(DebugLog, AFailedFirstOpenStillMakesTheNextWriteAppend) {
    std::filesystem::remove_all(dir.path() / "temp");
    TForm1 form(nullptr);
    form.WriteDebugLog("lost");
    std::filesystem::create_directories(dir.path() / "temp");
    dir.write("temp/tarvolindebug.log", "old");
    form.WriteDebugLog("new");
    EXPECT_EQ(dir.read("temp/tarvolindebug.log"), "oldnew");
}

TEST_F(DebugLog, IsTheUsersAloneAndNeverFollowsALinkOrTakesAnotherUsersFile) {
    TForm1 form(nullptr);
    form.WriteDebugLog("eins");
    const auto log = dir.path() / "temp" / "tarvolindebug.log";
    EXPECT_EQ(std::filesystem::status(log).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // A log someone made readable for all becomes private again with the next write.
    std::filesystem::permissions(log, std::filesystem::perms::all);
    form.WriteDebugLog("zwei");
    EXPECT_EQ(std::filesystem::status(log).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(dir.read("temp/tarvolindebug.log"), "einszwei");

    // A link put in its place is left alone, and so is the file it points to.
    std::filesystem::remove(log);
    dir.write("elsewhere.txt", "fremd");
    std::filesystem::create_symlink(dir.path() / "elsewhere.txt", log);
    TForm1 second(nullptr);
    second.WriteDebugLog("drei");
    EXPECT_EQ(dir.read("elsewhere.txt"), "fremd");
    EXPECT_TRUE(std::filesystem::is_symlink(log));

    // Another user's file in its place is neither emptied nor written (only root can make one).
    if (geteuid() == 0) {
        std::filesystem::remove(log);
        dir.write("temp/tarvolindebug.log", "seins");
        ASSERT_EQ(chown(log.c_str(), 4242, 4242), 0);
        TForm1 third(nullptr);
        third.WriteDebugLog("vier");
        EXPECT_EQ(dir.read("temp/tarvolindebug.log"), "seins");
    }
}

TEST_F(DebugLog, FolderIsTempThenTmpdirThenTheUsersRuntimeFolderThenTmp) {
    testsupport::ScopedEnv tmpdir{"TMPDIR", "/var/tmpdir"};
    testsupport::ScopedEnv runtime{"XDG_RUNTIME_DIR", "/run/user/4242"};
    EXPECT_EQ(TForm1(nullptr).TempDir, dir.str() + "temp/");
    unsetenv("TEMP");
    EXPECT_EQ(TForm1(nullptr).TempDir, "/var/tmpdir/");
    unsetenv("TMPDIR");
    EXPECT_EQ(TForm1(nullptr).TempDir, "/run/user/4242/");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(TForm1(nullptr).TempDir, "/tmp/");
}

class Greeting : public AppTest {};

TEST_F(Greeting, DependsOnTheHour) {
    WriteUserString(kTarvolin, "SPAgentHalloFrueh", "Guten Morgen");
    WriteUserString(kTarvolin, "SPAgentHalloMittag", "Mahlzeit");
    WriteUserString(kTarvolin, "SPAgentHallo", "Hallo|Guten Tag");
    WriteUserString(kTarvolin, "SPAgentHalloAbend", "Guten Abend");
    TForm1 form(nullptr);
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "Hallo"},         {1, "Hallo"},          {2, "Guten Morgen"}, {11, "Guten Morgen"},
        {12, "Mahlzeit"},     {13, "Hallo|Guten Tag"}, {17, "Hallo|Guten Tag"}, {18, "Hallo"},
        {19, "Guten Abend"},  {23, "Guten Abend"}};
    for (const auto& [hour, greeting] : expected) EXPECT_EQ(form.Character().Greeting(hour), greeting) << "hour " << hour;
}

TEST_F(Greeting, AMissingTextIsTheDialogsAndAnEmptyOneGivesHallo) {
    WriteUserString(kTarvolin, "SPAgentHalloFrueh", "");
    TForm1 form(nullptr);
    EXPECT_EQ(form.Character().Greeting(8), "Hallo");
    EXPECT_EQ(form.Character().Greeting(12), "Mahlzeit");
    EXPECT_EQ(form.Character().Greeting(20), "Guten Abend");
}

TEST_F(Greeting, IsSpokenAtStartOnlyWhenTheCharacterIsThere) {
    LayOutDesign();
    WriteUserString(kZorbelin, "DBPATH", LayOutDatabase());
    WriteUserString(kTarvolin, "SPAgentHalloAbend", "Guten Abend");
    now = D(2007, 3, 10, 18.5);
    // It comes once the first page has been shown.
    {
        CountingForm form(nullptr);
        form.agentInstalled = true;
        form.FormCreate(&form);
        form.Show();
        EXPECT_TRUE(WaitUntil([&] { return !form.spoken.empty(); }, 60000));
        EXPECT_EQ(form.spoken, (std::vector<std::string>{"Hallo"}));
    }
    now = D(2007, 3, 10, 20);
    CountingForm form(nullptr);
    form.FormCreate(&form);
    form.Show();
    ASSERT_TRUE(WaitUntil([&] { return form.WebBrowser && form.WebBrowser->LocationURL().rfind("zorbelin://", 0) == 0 &&
                                       !form.WebBrowser->Busy(); }, 60000));
    Application->ProcessMessages();
    EXPECT_TRUE(form.spoken.empty());
}

TEST(ProgramFolder, ReadmeNamesWhatTheBuildLaysBesideTheProgram) {
    std::ifstream in(std::string(ZB_SOURCE_DIR) + "/README.md");
    std::string readme((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto start = readme.find("- Program folder:");
    ASSERT_NE(start, std::string::npos);
    const std::string item = readme.substr(start, readme.find("\n- ", start + 1) - start);
    // The names in quotes up to "beside it", and the binary.
    const std::string listed = item.substr(0, item.find("beside it"));
    std::set<std::string> named{"tarvolin"};
    for (std::size_t q = listed.find('"'); q != std::string::npos; q = listed.find('"', q + 1)) {
        const std::size_t end = listed.find('"', q + 1);
        ASSERT_NE(end, std::string::npos);
        named.insert(listed.substr(q + 1, end - q - 1));
        q = end;
    }
    std::set<std::string> laid;
    for (const auto& entry : std::filesystem::directory_iterator(ZB_PROGRAM_DIR)) {
        const std::string name = entry.path().filename().string();
        // Written by the program when it runs, not by the build.
        if (SysUtils::SameText(name, "zorbelin.ini")) continue;
        laid.insert(name);
    }
    EXPECT_EQ(named, laid);
}

namespace {

// The program itself, started as the user starts it, with the test's settings and folders, and
// with Env added to its environment. What it traces of its steps goes into a file the test reads.
class RunningProgram {
public:
    RunningProgram(const std::string& traceFile, const std::vector<std::string>& env) : trace_(traceFile) {
        std::vector<std::string> vars = env;
        vars.push_back("ZORBELIN_TRACE=1");
        std::vector<char*> envp;
        for (auto& v : vars) envp.push_back(v.data());
        for (char** e = environ; *e; ++e) envp.push_back(*e);
        envp.push_back(nullptr);
        std::string program = ZB_TARVOLIN;
        char* argv[] = {program.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, trace_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~RunningProgram() {
        if (pid_ <= 0 || exited_) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    bool Started() const { return pid_ > 0; }
    void Signal(int signal) const { kill(pid_, signal); }

    // Waits until the program traced Step; false when it ended or the time ran out first.
    bool WaitForStep(const std::string& step, int timeoutMs = 120000) {
        for (int waited = 0; waited <= timeoutMs; waited += 20) {
            if (Traced(step)) return true;
            if (Ended()) return Traced(step);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    bool Traced(const std::string& step) const {
        std::ifstream in(trace_);
        for (std::string line; std::getline(in, line);)
            if (line.size() >= step.size() + 2 && line.compare(line.size() - step.size() - 2, std::string::npos,
                                                              "  " + step) == 0)
                return true;
        return false;
    }
    // The exit code, -2000 for an end by signal, -1000 while it still runs after the time.
    int WaitExit(int timeoutMs) {
        for (int waited = 0; waited <= timeoutMs; waited += 20) {
            if (Ended()) return status_;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1000;
    }

private:
    bool Ended() {
        if (exited_) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
        exited_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -2000;
        return true;
    }
    std::string trace_;
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

class WholeProgram : public AppTest {
protected:
    // The session's lock and message socket belong to this test alone.
    testsupport::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.str() + "runtime"};

    void SetUp() override {
        AppTest::SetUp();
        std::filesystem::create_directories(dir.path() / "runtime");
        std::filesystem::permissions(dir.path() / "runtime", std::filesystem::perms::owner_all);
    }
    std::string Trace() const { return dir.file("trace.txt"); }
};

} // namespace

TEST_F(WholeProgram, AReminderDueWhileAMessageOfTheStartIsOpenComesAllTheSame) {
    const std::string db = LayOutDatabase();
    {
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(db));
        char when[40] = {};
        std::to_chars(when, when + sizeof when - 1, double(D(2026, 3, 10, 19)), std::chars_format::fixed, 10);
        c.SetCommandText(std::string("insert into termine (Subject, StartTime, Benutzer, Alarm) values ('Zahnarzt', ") +
                         when + ", 'hans', 1)");
        c.Execute();
    }
    // A damaged line in the settings: the start has something to tell.
    dir.write("registry/HKEY_CURRENT_USER.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin]\n"
                                                "\"DBPATH\"=\"" + db + "\"\n\"BENUTZER\"=\"hans\"\n\"Kaputt\"=\"ohne Ende");
    // The program's clock starts a quarter of a minute before the appointment, and nobody answers
    // the message.
    RunningProgram program(Trace(), {"ZORBELIN_CLOCK=2026-03-10 18:59:45"});
    ASSERT_TRUE(program.Started());
    EXPECT_TRUE(program.WaitForStep("reminder shown")) << dir.read("trace.txt");
    EXPECT_TRUE(program.WaitForStep("message shown")) << dir.read("trace.txt");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(60000), 0);
}

TEST_F(WholeProgram, TheEndOfTheSessionClosesTheDatabaseQuestionAndKeepsNothingOfIt) {
    // A first start: nothing says where the database is, so the program asks.
    RunningProgram program(Trace(), {});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForStep("message shown")) << dir.read("trace.txt");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(30000), 0) << dir.read("trace.txt");
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), "<missing>");
    // Nor did it go on with the sample beside the program.
    EXPECT_FALSE(program.Traced("database open"));
}

TEST_F(WholeProgram, TheEndOfTheSessionEndsTheWaitForALockedDatabaseAndKeepsItsFolder) {
    const std::string db = LayOutDatabase();
    WriteUserString(kZorbelin, "DBPATH", db);
    auto other = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
    ASSERT_TRUE(other.Held());
    RunningProgram program(Trace(), {});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForStep("database wait", testsupport::Scaled(30000))) << dir.read("trace.txt");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(testsupport::Scaled(10000)), 0) << dir.read("trace.txt");
    EXPECT_TRUE(other.Held());
    EXPECT_FALSE(program.Traced("message shown"));
    EXPECT_FALSE(program.Traced("database open"));
    EXPECT_EQ(ReadUserString(kZorbelin, "DBPATH"), db);
}

TEST_F(WholeProgram, EndlessViewsInPlaceOfTheTablesNeitherHoldTheMinuteCheckNorTheEnd) {
    const std::string db = LayOutDatabase();
    {
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(db));
        const std::string endless = " AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM r) SELECT ";
        for (const std::string& sql : std::vector<std::string>{
                 "drop table BenutzerEinstellungen",
                 "create view BenutzerEinstellungen" + endless + "'hans' AS Benutzer, 1 AS NeedUpdate FROM r",
                 "drop table termine",
                 "create view termine" + endless + "n AS ID, 'x' AS Subject, n AS StartTime, n AS EndTime, 'hans' AS "
                                                   "Benutzer, '' AS Notes, 1 AS Alarm FROM r"}) {
            c.SetCommandText(sql);
            c.Execute();
        }
    }
    WriteUserString(kZorbelin, "DBPATH", db);
    WriteUserString(kZorbelin, "BENUTZER", "hans");
    RunningProgram program(Trace(), {});
    ASSERT_TRUE(program.Started());
    // The page builder's queries fail; the first minute's user check comes back.
    ASSERT_TRUE(program.WaitForStep("user check done", 180000)) << dir.read("trace.txt");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(60000), 0) << dir.read("trace.txt");
}

TEST_F(WholeProgram, ReportsThatComeAgainAndAgainOpenOneWindowAndKeepAFewCopiesAside) {
    const std::string db = LayOutDatabase();
    {
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(db));
        c.SetCommandText("drop table termine");
        c.Execute();
    }
    const std::string settings = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin]\n\"DBPATH\"=\"" + db +
                                 "\"\n\"BENUTZER\"=\"hans\"\n";
    const std::string file = dir.file("registry/HKEY_CURRENT_USER.reg");
    // A tool of a colleague damages the settings file, whole, as another program writes it.
    const auto damage = [&](int round) {
        dir.write("registry/damaged.tmp", settings + "\"Kaputt\"=\"Runde " + std::to_string(round));
        std::filesystem::rename(dir.file("registry/damaged.tmp"), file);
    };
    damage(0);
    RunningProgram program(Trace(), {});
    ASSERT_TRUE(program.Started());
    // Nobody answers: the first message stays open.
    ASSERT_TRUE(program.WaitForStep("message shown")) << dir.read("trace.txt");
    // Every round the file is damaged again and another program asks for a new page, which cannot
    // be built; the program reads the file and keeps it aside each time.
    for (int round = 1; round <= 20; ++round) {
        damage(round);
        ASSERT_TRUE(PostSessionMessage(TarvolinInstanceName, WM_REDRAWCALENDAR)) << round;
        ASSERT_TRUE(testsupport::SleepUntil([&] { return dir.read("registry/HKEY_CURRENT_USER.reg").find("Kaputt") ==
                                                         std::string::npos; }, 30000))
            << round << "\n" << dir.read("trace.txt");
    }
    // What it had to tell is told before it ends.
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(60000), 0) << dir.read("trace.txt");
    EXPECT_FALSE(program.Traced("message 2 shown")) << dir.read("trace.txt");
    std::size_t aside = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path() / "registry"))
        if (e.path().filename().string().rfind("HKEY_CURRENT_USER.reg.unreadable-", 0) == 0) ++aside;
    EXPECT_EQ(aside, static_cast<std::size_t>(FileLocks::KeptAsideCopies));
}

TEST_F(WholeProgram, ASecondHangUpDuringTheEndIsIgnored) {
    WriteUserString(kZorbelin, "DBPATH", LayOutDatabase());
    RunningProgram program(Trace(), {});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForStep("first page painted")) << dir.read("trace.txt");
    // Closing a terminal hangs up twice: the second comes while the program ends.
    program.Signal(SIGHUP);
    ASSERT_TRUE(program.WaitForStep("session end", 30000)) << dir.read("trace.txt");
    program.Signal(SIGHUP);
    EXPECT_EQ(program.WaitExit(60000), 0) << dir.read("trace.txt");
}

// The user's settings file is a FIFO nobody writes to: the program neither waits for a writer nor
// writes over it. It starts with the machine's settings, shows its page, says why once, and ends in
// order on SIGTERM.
TEST_F(WholeProgram, AFifoInPlaceOfTheSettingsHoldsNeitherTheStartNorTheEnd) {
    WriteMachineDbPath(LayOutDatabase());
    const std::string fifo = dir.file("registry/HKEY_CURRENT_USER.reg");
    ASSERT_TRUE(testsupport::MakeFifo(fifo));
    RunningProgram program(Trace(), {});
    ASSERT_TRUE(program.Started());
    const bool painted = program.WaitForStep("first page painted", 60000);
    const bool told = program.WaitForStep("message shown", 30000);
    program.Signal(SIGTERM);
    const int exit = program.WaitExit(30000);
    EXPECT_TRUE(painted) << dir.read("trace.txt");
    EXPECT_TRUE(told) << dir.read("trace.txt");
    EXPECT_EQ(exit, 0) << dir.read("trace.txt");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST_F(WholeProgram, ASettingsFileWithHugeWindowSizesStartsAndEndsInsideTheWorkArea) {
    const std::string db = LayOutDatabase();
    // As a damaged or foreign settings file may hold them: once a start that never ended.
    dir.write("registry/HKEY_CURRENT_USER.reg",
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin]\n\"DBPATH\"=\"" + db +
                  "\"\n\"BENUTZER\"=\"hans\"\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin\\Tarvolin]\n"
                  "\"VORLAGE\"=dword:00000001\n\"FormPosLeftNormal\"=dword:80000000\n"
                  "\"FormPosTopNormal\"=dword:7fffffff\n\"FormPosWidthNormal\"=dword:7fffffff\n"
                  "\"FormPosHeightNormal\"=dword:7fffffff\n");
    RunningProgram program(Trace(), {});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForStep("first page painted")) << dir.read("trace.txt");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(60000), 0) << dir.read("trace.txt");
    // The place it kept at its end is where the window was: inside the work area.
    const TRect work = Screen->WorkAreaRect();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    const int left = reg.ReadInteger("FormPosLeftNormal"), top = reg.ReadInteger("FormPosTopNormal");
    const int width = reg.ReadInteger("FormPosWidthNormal"), height = reg.ReadInteger("FormPosHeightNormal");
    EXPECT_GE(left, work.Left);
    EXPECT_GE(top, work.Top);
    EXPECT_LE(left + width, work.Right);
    EXPECT_LE(top + height, work.Bottom);
    EXPECT_GE(width, 250);
    EXPECT_GE(height, 400);
}
