// Window handles, sent and posted messages, window timers and threads talking to the main loop.
#include <atomic>
#include <thread>

#include "Classes.h"
#include "ControlsTestSupport.h"

using namespace controlstest;

namespace {

class Messages : public WithApplication {};

// A control whose messages are written down.
class TListener : public TCustomControl {
public:
    explicit TListener(TComponent* owner) : TCustomControl(owner) {}
    Log log;
    std::function<void(TMessage&)> onUser;
protected:
    void WndProc(TMessage& m) override {
        if (m.Msg >= WM_USER && m.Msg < WM_USER + 100) {
            log.push_back("user+" + std::to_string(m.Msg - WM_USER) + " " + std::to_string(m.WParam) + " " +
                          std::to_string(m.LParam));
            if (onUser) onUser(m);
            return;
        }
        TCustomControl::WndProc(m);
    }
};

} // namespace

TEST_F(Messages, PostedMessageArrivesAfterTheCurrentHandler) {
    TListener control(nullptr);
    control.onUser = [&](TMessage& m) {
        if (m.Msg == WM_USER + 1) {
            EXPECT_TRUE(PostMessage(control.Handle(), WM_USER + 2, 7, -3));
            control.log.push_back("handler done");
        }
    };
    PostMessage(control.Handle(), WM_USER + 1, 1, 2);
    EXPECT_TRUE(control.log.empty());
    Application->ProcessMessages();
    EXPECT_EQ(control.log, (Log{"user+1 1 2", "handler done", "user+2 7 -3"}));
}

TEST_F(Messages, SentMessageRunsAtOnceAndAnswers) {
    TListener control(nullptr);
    control.onUser = [](TMessage& m) { m.Result = static_cast<LRESULT>(m.WParam * 2); };
    EXPECT_EQ(SendMessage(control.Handle(), WM_USER + 5, 21, 0), 42);
    EXPECT_EQ(control.log, (Log{"user+5 21 0"}));
}

TEST_F(Messages, PostedMessagesKeepTheirOrder) {
    TListener control(nullptr);
    for (int i = 0; i < 5; ++i) PostMessage(control.Handle(), WM_USER + 3, static_cast<WPARAM>(i), 0);
    Application->ProcessMessages();
    EXPECT_EQ(control.log, (Log{"user+3 0 0", "user+3 1 0", "user+3 2 0", "user+3 3 0", "user+3 4 0"}));
}

TEST_F(Messages, AWindowThatIsGoneTakesNoMoreMessages) {
    auto* control = new TListener(nullptr);
    HWND handle = control->Handle();
    EXPECT_TRUE(IsWindow(handle));
    PostMessage(handle, WM_USER + 1, 0, 0);
    delete control;
    EXPECT_FALSE(IsWindow(handle));
    // The message already on its way is dropped, later ones are refused.
    Application->ProcessMessages();
    EXPECT_FALSE(PostMessage(handle, WM_USER + 1, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SendMessage(handle, WM_USER + 1, 0, 0), 0);
}

TEST_F(Messages, ApplicationSeesPostedMessagesFirst) {
    TListener control(nullptr);
    Log seen;
    Application->OnMessage = [&](TMsg& msg, bool& handled) {
        seen.push_back(std::to_string(msg.message - WM_USER) + (msg.hwnd ? " window" : " thread"));
        handled = msg.message == WM_USER + 9;
    };
    PostMessage(control.Handle(), WM_USER + 8, 0, 0);
    PostMessage(control.Handle(), WM_USER + 9, 0, 0);
    PostMessage(nullptr, WM_USER + 10, 0, 0);
    Application->ProcessMessages();
    Application->OnMessage = nullptr;
    EXPECT_EQ(seen, (Log{"8 window", "9 window", "10 thread"}));
    EXPECT_EQ(control.log, (Log{"user+8 0 0"}));
}

TEST_F(Messages, MessageOnlyWindowAndItsTimer) {
    int ticks = 0;
    UINT_PTR lastId = 0;
    HWND wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_TIMER) {
            ++ticks;
            lastId = m.WParam;
        }
    });
    EXPECT_EQ(SetTimer(wnd, 111, 5, nullptr), 111u);
    EXPECT_TRUE(RunUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(lastId, 111u);
    EXPECT_TRUE(KillTimer(wnd, 111));
    const int stopped = ticks;
    RunUntil([] { return false; }, 60);
    EXPECT_EQ(ticks, stopped);
    EXPECT_FALSE(KillTimer(wnd, 111));
    DeallocateHWnd(wnd);
    EXPECT_EQ(SetTimer(wnd, 1, 5, nullptr), 0u);
}

TEST_F(Messages, PostFromAWorkerThreadArrivesOnTheMainThread) {
    TListener control(nullptr);
    std::thread::id handledOn;
    control.onUser = [&](TMessage&) { handledOn = std::this_thread::get_id(); };
    std::thread worker([&] { PostMessage(control.Handle(), WM_USER + 4, 1, 1); });
    worker.join();
    EXPECT_TRUE(RunUntil([&] { return !control.log.empty(); }));
    EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST_F(Messages, SendFromAWorkerWaitsForTheMainThread) {
    TListener control(nullptr);
    std::thread::id handledOn;
    control.onUser = [&](TMessage& m) {
        handledOn = std::this_thread::get_id();
        m.Result = 5;
    };
    std::atomic<LRESULT> answer{-1};
    std::thread worker([&] { answer = SendMessage(control.Handle(), WM_USER + 6, 0, 0); });
    EXPECT_TRUE(RunUntil([&] { return answer.load() != -1; }));
    worker.join();
    EXPECT_EQ(answer.load(), 5);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST_F(Messages, ExceptionInAPostedMessageGoesToOnException) {
    TListener control(nullptr);
    control.onUser = [](TMessage&) { throw SysUtils::Exception("Nachricht fehlgeschlagen"); };
    std::string reported;
    Application->OnException = [&](TObject*, SysUtils::Exception* e) { reported = e->Message; };
    PostMessage(control.Handle(), WM_USER + 1, 0, 0);
    PostMessage(control.Handle(), WM_USER + 2, 0, 0);
    Application->ProcessMessages();
    Application->OnException = nullptr;
    EXPECT_EQ(reported, "Nachricht fehlgeschlagen");
    // The loop went on with the next message.
    EXPECT_EQ(control.log.size(), 2u);
}
