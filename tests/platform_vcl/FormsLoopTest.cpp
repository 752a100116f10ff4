// The application's loop: timers, the thread queue, Terminate, closing and modal forms.
#include <QCoreApplication>
#include <QEvent>
#include <QtGui/private/qguiapplication_p.h>
#include <atomic>
#include <csignal>
#include <string>
#include <thread>

#include "Classes.h"
#include "ControlsTestSupport.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"

using namespace controlstest;

namespace {

class Loop : public WithApplication {};

// Runs body in a process of its own (the loop can end only once per process); the child exits with 0
// when body answers true.
void InOwnProcess(const std::function<bool()>& body) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EnsureApplication();
            std::_Exit(body() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

int formsDestroyed = 0;

class TCounted : public TForm {
public:
    explicit TCounted(TComponent* owner) : TForm(owner) {}
    ~TCounted() override { ++formsDestroyed; }
};

} // namespace

TEST_F(Loop, TimerFiresWhileTheLoopRunsAndStopsWhenDisabled) {
    TTimer timer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    int ticks = 0;
    timer.OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    };
    timer.SetInterval(10);
    EXPECT_TRUE(RunUntil([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    const int stopped = ticks;
    RunUntil([] { return false; }, 80);
    EXPECT_EQ(ticks, stopped);
    // Interval 0 keeps an enabled timer quiet.
    timer.SetInterval(0);
    timer.SetEnabled(true);
    RunUntil([] { return false; }, 50);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(Loop, TimerMayFreeItselfAndItsExceptionsGoToOnException) {
    auto* timer = new TTimer(nullptr);
    timer->SetInterval(5);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        // The handler goes with the timer: nothing of it may be touched after the delete.
        TTimer* self = timer;
        timer = nullptr;
        delete self;
    };
    EXPECT_TRUE(RunUntil([&] { return timer == nullptr; }));
    RunUntil([] { return false; }, 40);
    EXPECT_EQ(ticks, 1);

    TTimer failing(nullptr);
    failing.SetInterval(5);
    failing.OnTimer = [](TObject*) { throw SysUtils::Exception("Zeitgeber"); };
    std::string reported;
    TObject* sender = nullptr;
    Application->OnException = [&](TObject* s, SysUtils::Exception* e) {
        reported = e->Message;
        sender = s;
    };
    EXPECT_TRUE(RunUntil([&] { return !reported.empty(); }));
    Application->OnException = nullptr;
    EXPECT_EQ(reported, "Zeitgeber");
    EXPECT_EQ(sender, &failing);
}

TEST_F(Loop, SynchronizeFromAWorkerRunsOnTheMainThreadWhileTheLoopRuns) {
    InOwnProcess([] {
        TForm main(nullptr);
        Application->SetMainForm(&main);
        std::vector<bool> onMain;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            for (int i = 0; i < 3; ++i)
                TThread::StaticSynchronize([&] { onMain.push_back(Classes::IsMainThread()); });
            TThread::StaticSynchronize([&] { done = main.Visible(); });
            TThread::StaticSynchronize([] { Application->Terminate(); });
        });
        Application->Run();
        worker.join();
        Application->SetMainForm(nullptr);
        return onMain == std::vector<bool>{true, true, true} && done;
    });
}

TEST_F(Loop, TerminateBeforeRunEndsTheLoopAtItsFirstTurnAndFreesTheForms) {
    InOwnProcess([] {
        bool created = false;
        TCounted* form = new TCounted(Application);
        Application->SetMainForm(form);
        form->OnCreate = [&](TObject*) {
            created = true;
            Application->Terminate();
        };
        form->DoCreate();
        Application->Run();
        return created && Application->Terminated() && formsDestroyed == 1;
    });
}

TEST_F(Loop, ClosingTheMainFormEndsTheProgram) {
    InOwnProcess([] {
        TCounted* form = nullptr;
        Application->CreateForm(form);
        std::string order;
        form->OnCloseQuery = [&](TObject*, bool& canClose) { order += "query "; canClose = true; };
        form->OnClose = [&](TObject*, TCloseAction&) { order += "close "; };
        form->OnDestroy = [&](TObject*) { order += "destroy"; };
        PostMessage(form->Handle(), WM_CLOSE, 0, 0);
        Application->Run();
        return Application->MainForm() == nullptr && formsDestroyed == 1 && order == "query close destroy";
    });
}

TEST_F(Loop, CloseAsksOnCloseQueryThenOnCloseDecides) {
    TForm form(nullptr);
    form.Show();
    bool allow = false;
    std::string order;
    form.OnCloseQuery = [&](TObject*, bool& canClose) {
        order += "query ";
        canClose = allow;
    };
    form.OnClose = [&](TObject*, TCloseAction& action) {
        order += "close ";
        action = caHide;
    };
    form.Close();
    EXPECT_TRUE(form.Visible());
    allow = true;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(order, "query query close ");
}

TEST_F(Loop, CloseWithCaFreeFreesTheFormAfterTheHandler) {
    formsDestroyed = 0;
    auto* form = new TCounted(nullptr);
    form->Show();
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    // The window manager's close box sends WM_CLOSE.
    form->Perform(WM_CLOSE);
    EXPECT_EQ(formsDestroyed, 0);
    Application->ProcessMessages();
    EXPECT_EQ(formsDestroyed, 1);
}

TEST_F(Loop, ShowModalReturnsTheButtonsModalResult) {
    TForm dialog(nullptr);
    auto* ok = new TButton(&dialog);
    ok->SetParent(&dialog);
    ok->SetCaption("OK");
    ok->ModalResult = mrOk;
    // A timer of the program keeps running during the modal loop and presses the button.
    TTimer timer(nullptr);
    timer.SetInterval(5);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        if (++ticks == 3) Click(ok, 5, 5);
    };
    std::string events;
    dialog.OnShow = [&](TObject*) { events += "show "; };
    dialog.OnClose = [&](TObject*, TCloseAction&) { events += "close "; };
    dialog.OnHide = [&](TObject*) { events += "hide"; };
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_FALSE(dialog.Visible());
    EXPECT_EQ(events, "show close hide");
}

TEST_F(Loop, ModalFormThatRefusesToCloseStaysOpen) {
    TForm dialog(nullptr);
    int queries = 0;
    dialog.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries >= 2; };
    TTimer timer(nullptr);
    timer.SetInterval(5);
    timer.OnTimer = [&](TObject*) { dialog.SetModalResult(mrYes); };
    EXPECT_EQ(dialog.ShowModal(), mrYes);
    EXPECT_EQ(queries, 2);
}

TEST_F(Loop, SynchronizedCallsRunInProcessMessages) {
    std::atomic<bool> ran{false};
    std::thread worker([&] { TThread::StaticSynchronize([&] { ran = true; }); });
    EXPECT_TRUE(RunUntil([&] { return ran.load(); }));
    worker.join();
}

namespace {
std::string sessionOrder;

// A main form that notes the session's messages and, as a program does, closes at the end.
class TSessionForm : public TCounted {
public:
    explicit TSessionForm(TComponent* owner) : TCounted(owner) {}

protected:
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_QUERYENDSESSION) {
            sessionOrder += "query ";
            Message.Result = 1;
            return;
        }
        if (Message.Msg == WM_ENDSESSION) {
            sessionOrder += "end " + std::to_string(Message.WParam) + " ";
            Close();
            return;
        }
        TCounted::WndProc(Message);
    }
};
} // namespace

TEST_F(Loop, AnEndSignalDuringTheStartEndsTheStartAndTheMadeFormHearsOfItOnce) {
    InOwnProcess([] {
        TSessionForm* form = nullptr;
        Application->CreateForm(form);
        // A hang-up while the start waits in a dialog: the dialog ends, and so does the start; the
        // main form is told once it is made, and the loop never runs.
        TForm dialog(nullptr);
        TTimer timer(nullptr);
        timer.SetInterval(5);
        timer.OnTimer = [](TObject*) { raise(SIGHUP); };
        timer.SetEnabled(true);
        // Answered by nobody, it would wait for ever.
        TTimer person(nullptr);
        person.SetInterval(10000);
        person.OnTimer = [&](TObject*) { dialog.SetModalResult(mrOk); };
        person.SetEnabled(true);
        const TModalResult answer = dialog.ShowModal();
        timer.SetEnabled(false);
        person.SetEnabled(false);
        const bool ended = answer == mrCancel && Application->Terminated() && sessionOrder.empty();
        Application->Run();
        return ended && sessionOrder == "query end 1 " && formsDestroyed == 1;
    });
}

TEST_F(Loop, AnEndSignalReachesTheMainFormAsTheSessionsEndOnceAndASecondOneIsIgnored) {
    InOwnProcess([] {
        TSessionForm* form = nullptr;
        Application->CreateForm(form);
        int hangUps = 0;
        TTimer timer(nullptr);
        timer.SetInterval(5);
        timer.OnTimer = [&](TObject*) {
            if (hangUps++ == 0) raise(SIGHUP);
        };
        timer.SetEnabled(true);
        // A terminal that closes hangs up twice: the second comes while the program ends.
        form->OnClose = [](TObject*, TCloseAction&) { raise(SIGHUP); };
        Application->Run();
        return sessionOrder == "query end 1 " && formsDestroyed == 1;
    });
}

TEST_F(Loop, ASessionCheckpointIsAskedForButEndsNothing) {
    InOwnProcess([] {
        TSessionForm* form = nullptr;
        Application->CreateForm(form);
        std::string afterCheckpoint;
        Classes::QueueOnMainThread([&] {
            // The session manager saves the session without a logout.
            QGuiApplicationPrivate::instance()->commitData();
            afterCheckpoint = sessionOrder;
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        });
        Application->Run();
        return afterCheckpoint == "query " && sessionOrder == "query query end 1 " && formsDestroyed == 1;
    });
}

TEST_F(Loop, SessionManagersEndTakesTheSamePath) {
    InOwnProcess([] {
        TSessionForm* form = nullptr;
        Application->CreateForm(form);
        // The desktop session's manager ends the program by sending the application its quit event.
        Classes::QueueOnMainThread([] {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        });
        Application->Run();
        return sessionOrder == "query end 1 " && formsDestroyed == 1;
    });
}

