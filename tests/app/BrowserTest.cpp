// The main window with its real browser: the pages of the default design, their buttons and day
// links, one copy per session and messages from other programs.
#include "AppFixture.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include <QWidget>
#include <QWindow>

#include "SessionMessages.h"
#include "VclPrivate.h"
#include "WinApi.h"

extern char** environ;

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

// The exit code, or -1000 when the process still runs after the (scaled) time.
int WaitExit(pid_t pid, int timeoutMs) {
    int code = -1000;
    testsupport::PollUntil([&] {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != pid) return false;
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -2000;
        return true;
    }, timeoutMs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
    return code;
}

class Browser : public AppTest {
protected:
    // The browser engine starts processes of its own for each page; with every other test running
    // beside it a page can take many seconds.
    static constexpr int kPageTimeoutMs = 60000;

    // The session's lock and message socket belong to this test alone.
    testsupport::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.str() + "runtime"};

    void SetUp() override {
        AppTest::SetUp();
        std::filesystem::create_directories(dir.path() / "runtime");
        std::filesystem::permissions(dir.path() / "runtime", std::filesystem::perms::owner_all);
        LayOutDesign();
        WriteUserString(kZorbelin, "DBPATH", LayOutDatabase());
        WriteUserString(kZorbelin, "BENUTZER", "hans");
    }

    std::unique_ptr<TForm1> Start(int view) {
        WriteUserInteger(kTarvolin, "VORLAGE", view);
        auto form = std::make_unique<TForm1>(nullptr);
        form->FormCreate(form.get());
        EXPECT_EQ(form->Startup().ExitCode, -1);
        EXPECT_NE(form->WebBrowser, nullptr);
        if (form->WebBrowser) {
            EXPECT_TRUE(Loaded(*form));
            // The window settling its size rebuilds the page once more, a second later; a busy
            // machine can get there only now, so the tests start after it.
            EXPECT_TRUE(WaitUntil([&] { return !form->Frame().ResizeTimer->Enabled(); }));
            EXPECT_TRUE(Loaded(*form));
        }
        return form;
    }

    static bool Loaded(TForm1& form) {
        return WaitUntil([&] {
            return !form.WebBrowser->Busy() &&
                   form.WebBrowser->EvaluateScript("document.getElementById('calendar') ? 'yes' : 'no'",
                                                   testsupport::Scaled(5000)) == "yes";
        }, kPageTimeoutMs);
    }

    static std::string Eval(TForm1& form, const char* script) {
        return form.WebBrowser->EvaluateScript(script, testsupport::Scaled(15000));
    }
};

} // namespace

TEST_F(Browser, EveryViewOfTheDefaultDesignLoadsWithoutScriptErrors) {
    for (int view : {vmMonth, vmWeek, vmXDays}) {
        auto form = Start(view);
        ASSERT_TRUE(form->WebBrowser);
        EXPECT_EQ(form->ViewMode(), view);
        EXPECT_TRUE(form->WebBrowser->ScriptErrors().empty())
            << "view " << view << ": " << form->WebBrowser->ScriptErrors().front();
        EXPECT_NE(Eval(*form, "document.querySelectorAll('[onclick*=\"OpenDay(\"]').length"), "0") << view;
    }
}

TEST_F(Browser, FreshProfileStartsInTheWeekView) {
    TForm1 form(nullptr);
    form.FormCreate(&form);
    ASSERT_TRUE(Loaded(form));
    EXPECT_EQ(form.ViewMode(), vmWeek);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    EXPECT_EQ(reg.ReadInteger("VORLAGE"), 1);
    EXPECT_TRUE(form.Frame().PlacementLoaded);
    // Nothing stored yet: the narrow column at the screen's right edge.
    EXPECT_EQ(form.Top(), 20);
    EXPECT_EQ(form.Left(), form.ScreenWidth() - 310);
    EXPECT_EQ(form.Width(), 290);
    EXPECT_EQ(form.Height(), form.ScreenHeight() - 40);
}

namespace {
// Notes what the browser held when the character was asked for.
class WatchedCharacter : public TSpeakingCharacter {
public:
    using TSpeakingCharacter::TSpeakingCharacter;
    std::function<void()> started;
    bool Start(int, int, bool) override {
        if (started) started();
        return false;
    }
};

class WatchedStart : public TForm1 {
public:
    explicit WatchedStart(TComponent* owner) : TForm1(owner, MakeCharacter<WatchedCharacter>) {
        static_cast<WatchedCharacter&>(Character()).started = [this] {
            shownAtStart.push_back(WebBrowser ? WebBrowser->LocationURL() : "nothing");
        };
    }
    // Its builds end before the window below it is taken apart.
    ~WatchedStart() override { BeforeDestruction(); }
    std::vector<std::string> shownAtStart;
};
} // namespace

TEST_F(Browser, TheCharacterIsAskedForOnceTheFirstPageIsShown) {
    WriteUserInteger(kTarvolin, "CharacterUsed", 1);
    // The test's clock stands at a full hour: only the greeting may call the character here.
    WriteUserInteger(kTarvolin, "CharacterSayTime", 0);
    WatchedStart form(nullptr);
    form.FormCreate(&form);
    form.Show();
    ASSERT_TRUE(Loaded(form));
    ASSERT_TRUE(WaitUntil([&] { return !form.shownAtStart.empty(); }, kPageTimeoutMs));
    EXPECT_EQ(form.shownAtStart.front().rfind("zorbelin://", 0), 0u) << form.shownAtStart.front();
}

TEST_F(Browser, DayLinkOpensThatDayInThePlanner) {
    const std::string out = LayOutPlanner();
    auto form = Start(vmWeek);
    ASSERT_TRUE(form->WebBrowser);
    const std::string date = Eval(*form,
        "(function () {"
        "  var links = document.querySelectorAll('[onclick*=\"OpenDay(\"]');"
        "  var link = links[links.length - 1];"
        "  link.click();"
        "  return /OpenDay\\('([^']*)'\\)/.exec(link.getAttribute('onclick'))[1];"
        "})()");
    ASSERT_TRUE(std::regex_match(date, std::regex("[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}"))) << date;
    TDateTime day;
    ASSERT_TRUE(SysUtils::TryStrToDate(date, day)) << date;
    // A day of the week shown: 10.03.2007 is a Saturday.
    EXPECT_GE(double(day), double(D(2007, 3, 5))) << date;
    EXPECT_LE(double(day), double(D(2007, 3, 11)));
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(dir.read("planner.txt"), "TAG" + date + "\n");
}

TEST_F(Browser, EveryWayToThePlannerSaysInGermanWhenItIsMissing) {
    auto form = Start(vmWeek);
    ASSERT_TRUE(form->WebBrowser);
    // The menu's item, a double click on the tray icon, and a day link of the page.
    form->Tray().Zorbelin1->Click();
    PostMessage(form->Handle(), WM_TRAYICON, TrayIconId, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitUntil([&] { return dialogs.size() >= 2; }));
    // A page of a late rebuild may still be on its way: the link is clicked again until its call arrives.
    ASSERT_TRUE(WaitUntil([&] {
        Eval(*form, "document.querySelector('[onclick*=\"OpenDay(\"]').click()");
        return WaitUntil([&] { return dialogs.size() >= 3; }, 3000);
    }, kPageTimeoutMs));
    for (const Answer& shown : dialogs)
        EXPECT_EQ(shown.text, "Der Terminplaner \"plavoth\" wurde im Programmordner \"" + ProgramFolder() +
                                  "\" nicht gefunden oder konnte nicht gestartet werden.");
}

TEST_F(Browser, FramedWindowMadeLargerKeepsThePageFillingItAndOnlyTheFramelessOneIsCutOut) {
    auto form = Start(vmWeek);
    ASSERT_TRUE(form->WebBrowser);
    QWidget* window = Vcl::Detail::HandleWidget(form.get());
    QWidget* page = Vcl::Detail::HandleWidget(form->WebBrowser);
    const auto shape = [&] { return window->windowHandle()->mask(); };
    // Without its frame the window is cut to the page.
    ASSERT_TRUE(WaitUntil([&] { return !shape().isEmpty(); }));
    const int framelessShapeWidth = shape().boundingRect().width();
    // The page's frame button, once the page a change of size asked for is there; a click that a new
    // page took away before its call went out is made again.
    const auto clickFrameButton = [&](bool framed) {
        return WaitUntil([&] {
            if (form->Frame().FrameVisible == framed) return true;
            if (form->Frame().ResizeTimer->Enabled() || (form->RunningBuilder() && !form->RunningBuilder()->Finished()) ||
                !Loaded(*form))
                return false;
            Eval(*form, "document.getElementById('resize').click()");
            return WaitUntil([&] { return form->Frame().FrameVisible == framed; }, 10000);
        }, kPageTimeoutMs);
    };

    ASSERT_TRUE(clickFrameButton(true));
    EXPECT_TRUE(shape().isEmpty()) << shape().boundingRect().width() << "x" << shape().boundingRect().height();
    // The user drags the frame's corner outwards.
    const QSize larger = window->size() + QSize(240, 60);
    window->resize(larger);
    ASSERT_TRUE(WaitUntil([&] { return window->size() == larger && page->size() == larger; }))
        << page->width() << "x" << page->height();
    EXPECT_EQ(form->ClientWidth(), larger.width());
    EXPECT_EQ(form->ClientHeight(), larger.height());
    EXPECT_EQ(form->WebBrowser->BoundsRect(), (TRect{0, 0, larger.width(), larger.height()}));
    EXPECT_TRUE(shape().isEmpty());

    // Without the frame again the cut-out follows the larger page.
    ASSERT_TRUE(clickFrameButton(false));
    EXPECT_EQ(page->size(), window->size());
    ASSERT_TRUE(WaitUntil([&] { return shape().boundingRect().width() >= framelessShapeWidth + 200; }, kPageTimeoutMs))
        << shape().boundingRect().width() << " of " << window->width();
    EXPECT_LE(shape().boundingRect().right(), window->width());
}

TEST_F(Browser, ForwardButtonOfTheMonthViewShowsTheNextMonth) {
    auto form = Start(vmMonth);
    ASSERT_TRUE(form->WebBrowser);
    // The page of a late rebuild may still be on its way: the button is clicked once it is there.
    ASSERT_TRUE(WaitUntil([&] { return Eval(*form, "document.body.innerText").find("März") != std::string::npos; },
                          kPageTimeoutMs));
    // The window settling its size rebuilds today's page a second later: the click comes after that.
    ASSERT_TRUE(WaitUntil([&] { return !form->Frame().ResizeTimer->Enabled(); }, kPageTimeoutMs));
    // Clicked once: a click whose answer comes late has still been made.
    const char* const forward = "document.querySelector('[onclick*=\"ForwardClicked\"]')";
    ASSERT_TRUE(WaitUntil([&] { return Eval(*form, (std::string(forward) + " ? 'yes' : 'no'").c_str()) == "yes"; },
                          kPageTimeoutMs));
    Eval(*form, (std::string(forward) + ".click(); 0").c_str());
    // Another build (the window settling its size) may come first: wait for the month itself.
    Word y = 0, m = 0, d = 0;
    ASSERT_TRUE(WaitUntil([&] {
        SysUtils::DecodeDate(form->CalendarDate(), y, m, d);
        return m == 4;
    }, kPageTimeoutMs));
    EXPECT_EQ(y, 2007);
    ASSERT_TRUE(Loaded(*form));
    ASSERT_TRUE(WaitUntil([&] { return Eval(*form, "document.body.innerText").find("April") != std::string::npos; },
                          kPageTimeoutMs));
    EXPECT_TRUE(form->WebBrowser->ScriptErrors().empty());
}

TEST_F(Browser, APageThatCannotBeBuiltLeavesTheLastOneOrSaysWhyBesideItsButtons) {
    const auto rename = [this](const char* from, const char* to) {
        TADOCommand c(nullptr);
        c.SetConnectionString(ZorbelinConnectionString(dir.str() + "program/DB/"));
        c.SetCommandText(std::string("alter table ") + from + " rename to " + to);
        c.Execute();
    };
    rename("termine", "termine_weg");
    WriteUserInteger(kTarvolin, "VORLAGE", vmWeek);
    auto form = std::make_unique<TForm1>(nullptr);
    form->FormCreate(form.get());
    ASSERT_NE(form->WebBrowser, nullptr);
    // No white block: the window says why, in German, with buttons to build again and for the frame.
    const auto why = [&] {
        return Eval(*form, "document.getElementById('why') ? document.getElementById('why').innerText : ''");
    };
    ASSERT_TRUE(WaitUntil([&] { return !form->WebBrowser->Busy() && !why().empty(); }, kPageTimeoutMs));
    EXPECT_EQ(why().rfind("Der Kalender konnte nicht aufgebaut werden. Die Tabelle \"termine\" fehlt in der Datenbank.", 0),
              0u) << why();
    EXPECT_EQ(Eval(*form, "document.getElementById('again').innerText + '|' + document.getElementById('resize').innerText"),
              "Neu aufbauen|Rahmen ein/aus");
    // What the page tells; the reminders, checked whether or not a page was built, tell of the
    // missing table besides.
    const auto told = [&](const std::string& start) {
        std::vector<std::string> texts;
        for (const Answer& a : dialogs)
            if (a.text.rfind(start, 0) == 0) texts.push_back(a.text);
        return texts;
    };
    const std::string page = "Der Kalender konnte nicht aufgebaut werden.";
    ASSERT_TRUE(WaitUntil([&] { return told(page).size() == 1; }));
    ASSERT_TRUE(WaitUntil([&] {
        return told("Die Erinnerungen können nicht geprüft werden. Die Tabelle \"termine\" fehlt").size() == 1;
    }));
    // Mended, the button builds the calendar.
    rename("termine_weg", "termine");
    Eval(*form, "document.getElementById('again').click()");
    ASSERT_TRUE(Loaded(*form));
    // Broken again, the calendar shown stays as it was, and the user hears why.
    Eval(*form, "document.getElementById('calendar').setAttribute('data-old', '1')");
    rename("termine", "termine_weg");
    form->RebuildCalendar(SysUtils::Date(), true);
    ASSERT_TRUE(WaitUntil([&] { return told(page).size() == 2; }));
    for (int i = 0; i < 10; ++i) Application->ProcessMessages();
    EXPECT_EQ(Eval(*form, "document.getElementById('calendar') ? document.getElementById('calendar').getAttribute('data-old') : 'none'"),
              "1");
    EXPECT_EQ(told(page)[1], told(page)[0]);
}

TEST_F(Browser, MessageFromAnotherProgramRebuildsThePage) {
    auto form = Start(vmWeek);
    ASSERT_TRUE(form->WebBrowser);
    Eval(*form, "document.getElementById('calendar').setAttribute('data-old', '1')");
    const int before = form->BuildCount();
    const pid_t sender = Spawn({ZB_SEND_REDRAW, SessionMessageSocket(TarvolinInstanceName)});
    ASSERT_GT(sender, 0);
    EXPECT_EQ(WaitExit(sender, 10000), 0);
    ASSERT_TRUE(WaitUntil([&] { return form->BuildCount() == before + 1; }));
    // The new page replaced the marked one.
    ASSERT_TRUE(WaitUntil([&] {
        return !form->WebBrowser->Busy() &&
               Eval(*form, "document.getElementById('calendar') && "
                           "!document.getElementById('calendar').hasAttribute('data-old') ? 'new' : 'old'") == "new";
    }, kPageTimeoutMs)) << "builds " << form->BuildCount() - before << ", browser busy " << form->WebBrowser->Busy();
}

TEST_F(Browser, ARedrawRequestIsServedWhileOtherProgramsKeepTheirConnectionsAlive) {
    auto form = Start(vmWeek);
    // As many connections as are held, each sending an empty line every second: never silent.
    // They connect from a thread of their own, as other programs would, while the window serves them.
    std::vector<int> dribblers;
    const std::string path = SessionMessageSocket(TarvolinInstanceName);
    std::atomic<bool> stop{false};
    std::thread dribble([&] {
        for (int i = 0; i < 32; ++i) {
            const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
            if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) dribblers.push_back(fd);
            else close(fd);
        }
        while (!stop) {
            for (int fd : dribblers) (void)!send(fd, "\n", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            for (int i = 0; i < 20 && !stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    ASSERT_TRUE(WaitUntil([] { return SessionMessageConnections(TarvolinInstanceName) == 32; }));
    const int before = form->BuildCount();
    const pid_t sender = Spawn({ZB_SEND_REDRAW, path});
    ASSERT_GT(sender, 0);
    EXPECT_EQ(WaitExit(sender, 10000), 0);
    // The held connections end within their time, and the waiting request comes in.
    EXPECT_TRUE(WaitUntil([&] { return form->BuildCount() == before + 1; }, 30000));
    stop = true;
    dribble.join();
    for (int fd : dribblers) close(fd);
}

TEST_F(Browser, MessagesOtherThanTheRedrawAreIgnored) {
    auto form = Start(vmWeek);
    const int before = form->BuildCount();
    EXPECT_TRUE(PostSessionMessage(TarvolinInstanceName, 0x0010));   // a close request
    EXPECT_TRUE(PostSessionMessage(TarvolinInstanceName, WM_REDRAWCALENDAR));
    ASSERT_TRUE(WaitUntil([&] { return form->BuildCount() == before + 1; }));
    EXPECT_TRUE(form->Visible());
}

TEST_F(Browser, SecondCopyEndsQuietlyBeforeTouchingAnything) {
    HANDLE first = CreateMutex(nullptr, TRUE, TarvolinInstanceName);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
    std::filesystem::remove_all(dir.path() / "registry");
    std::filesystem::create_directories(dir.path() / "registry");
    const pid_t second = Spawn({ZB_TARVOLIN});
    ASSERT_GT(second, 0);
    EXPECT_EQ(WaitExit(second, 60000), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "registry"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "temp" / "tarvolindebug.log"));
    CloseHandle(first);
}

TEST_F(Browser, SecondCopyAskedToDrawAnewRunsOn) {
    HANDLE first = CreateMutex(nullptr, TRUE, TarvolinInstanceName);
    ASSERT_NE(first, nullptr);
    const pid_t second = Spawn({ZB_TARVOLIN, "neuzeichnen"});
    ASSERT_GT(second, 0);
    // It gets as far as building its page, which notes the day of the build.
    const bool built = WaitUntil([&] { return ReadUserString(kTarvolin, "Datum") != "<missing>"; }, 90000);
    EXPECT_TRUE(built);
    EXPECT_EQ(WaitExit(second, 0), -1000);
    kill(second, SIGTERM);
    WaitExit(second, 30000);
    CloseHandle(first);
}

TEST_F(Browser, TerminationSignalEndsTheProgramInOrderWithItsPlacesSaved) {
    // The character comes for the greeting at start; it stays for a while after it has spoken.
    WriteUserInteger(kTarvolin, "CharacterUsed", 1);
    const pid_t program = Spawn({ZB_TARVOLIN});
    ASSERT_GT(program, 0);
    // The character comes once the first page is shown; its first start notes its zoom.
    const bool came = WaitUntil([&] {
        TRegistry reg;
        return reg.OpenKeyReadOnly(kTarvolin) && reg.ValueExists("AgentZoom");
    }, 90000);
    EXPECT_TRUE(came);
    // What only the end of the program writes is not there before it.
    const char* const saved[] = {"FormPosTopNormal", "FormPosLeftNormal", "FormPosWidthNormal",
                                 "FormPosHeightNormal", "AgentLastPositionX", "AgentLastPositionY"};
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kTarvolin, false));
        for (const char* name : saved) reg.DeleteValue(name);
    }
    ASSERT_EQ(kill(program, SIGTERM), 0);
    EXPECT_EQ(WaitExit(program, 30000), 0);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTarvolin));
    for (const char* name : saved) EXPECT_TRUE(reg.ValueExists(name)) << name;
    EXPECT_EQ(reg.ReadInteger("FormPosWidthNormal"), 290);
}

TEST_F(Browser, RegistrationSwitchesEndAtOnceAutomationStartsNormally) {
    std::filesystem::remove_all(dir.path() / "registry");
    std::filesystem::create_directories(dir.path() / "registry");
    for (const char* sw : {"/REGSERVER", "-regserver", "/UnRegServer", "-UNREGSERVER"}) {
        const pid_t p = Spawn({ZB_TARVOLIN, sw});
        ASSERT_GT(p, 0);
        EXPECT_EQ(WaitExit(p, 20000), 0) << sw;
    }
    // Nothing was started: no settings, no log.
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "registry"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "temp" / "tarvolindebug.log"));

    WriteUserString(kZorbelin, "DBPATH", LayOutDatabase());
    WriteUserString(kZorbelin, "BENUTZER", "hans");
    const pid_t automation = Spawn({ZB_TARVOLIN, "-Automation"});
    ASSERT_GT(automation, 0);
    const bool built = WaitUntil([&] { return ReadUserString(kTarvolin, "Datum") != "<missing>"; }, 90000);
    EXPECT_TRUE(built);
    EXPECT_EQ(WaitExit(automation, 0), -1000);
    kill(automation, SIGTERM);
    WaitExit(automation, 30000);
}

TEST_F(Browser, BarOfTheDefaultDesignShowsItsWholeTextAtTheDefaultWidth) {
    for (int view : {vmWeek, vmXDays, vmMonth}) {
        auto form = Start(view);
        ASSERT_TRUE(form->WebBrowser);
        // The page built for the new width replaces the one marked here.
        const bool resized = form->Width() != 290;
        if (resized) Eval(*form, "document.getElementById('calendar').setAttribute('data-old', '1')");
        form->SetBounds(form->Left(), form->Top(), 290, form->Height());
        if (resized) {
            ASSERT_TRUE(WaitUntil([&] {
                return !form->WebBrowser->Busy() &&
                       form->WebBrowser->EvaluateScript("document.getElementById('calendar') && !document."
                                                        "getElementById('calendar').hasAttribute('data-old') ? 'new' : 'old'",
                                                        30000) == "new";
            }, kPageTimeoutMs)) << view;
        }
        ASSERT_TRUE(WaitUntil([&] {
            return form->WebBrowser->EvaluateScript("String(window.innerWidth)", 30000) ==
                   std::to_string(form->ClientWidth());
        }, kPageTimeoutMs)) << view;
        // Nothing of the bar's text is cut off, nothing of the bar runs out of the window, and the text
        // is the week's. The page may still be replaced by a rebuild for the new size: it is read
        // until a whole page answers.
        const char* const script =
            "(function () { var i = document.querySelector('#bar .info'); var b = document.getElementById('bar');"
            "  if (!i || !b) return 'no bar'; var r = b.getBoundingClientRect(); var out = 0;"
            "  b.querySelectorAll('*').forEach(function (e) {"
            "    if (e.getBoundingClientRect().right > r.right + 0.5) out++; });"
            "  return (i.scrollWidth <= i.clientWidth ? 'whole' : 'cut: ' + i.textContent) + ', ' + out +"
            "    ' out, ' + (i.textContent.indexOf('KW') >= 0 ? 'KW' : 'no KW'); })()";
        std::string answer;
        WaitUntil([&] { return (answer = form->WebBrowser->EvaluateScript(script, 30000)) == "whole, 0 out, KW"; },
                  kPageTimeoutMs);
        EXPECT_EQ(answer, "whole, 0 out, KW") << view;
    }
}
