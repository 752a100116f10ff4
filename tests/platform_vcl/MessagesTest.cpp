// Window handles, sent and posted messages, window timers and threads talking to the main loop.
#include <QTimer>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "Classes.h"
#include "ControlsTestSupport.h"
#include "SessionMessages.h"
#include "TempDir.h"

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

// ---- messages from other programs over the session socket --------------------------------------

namespace {

class SessionSocket : public WithApplication {
protected:
    testsupport::TempDir runtime;
    testsupport::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
    static constexpr const char* kName = "zbtest-session";
    TListener window{nullptr};

    void SetUp() override { ASSERT_TRUE(ListenForSessionMessages(kName, window.Handle(), {WM_USER + 7})); }
    void TearDown() override { StopListeningForSessionMessages(kName); }

    int Connect() {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = SessionMessageSocket(kName);
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0) << std::strerror(errno);
        return fd;
    }
    // True once the program has closed its end of the connection.
    static bool HungUp(int fd) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) return false;
        char c;
        return recv(fd, &c, 1, MSG_DONTWAIT) <= 0;
    }
    static double ThreadCpuSeconds() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    }
};

} // namespace

TEST_F(SessionSocket, OverlongLinesAndSilentConnectionsAreDroppedAndMessagesStillArrive) {
    const int flood = Connect(), silent = Connect(), sender = Connect();
    const std::string noEnd(300, '7');
    ASSERT_EQ(write(flood, noEnd.data(), noEnd.size()), static_cast<ssize_t>(noEnd.size()));
    const std::string longLine = std::string(280, ' ') + std::to_string(WM_USER + 7) + " 1 1\n";
    const std::string line = std::to_string(WM_USER + 7) + " 5 6\n";
    ASSERT_EQ(write(sender, longLine.data(), longLine.size()), static_cast<ssize_t>(longLine.size()));
    const int good = Connect();
    ASSERT_EQ(write(good, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunUntil([&] { return HungUp(flood) && HungUp(sender); }, 2000));
    EXPECT_TRUE(RunUntil([&] { return !window.log.empty(); }, 2000));
    EXPECT_EQ(window.log, (Log{"user+7 5 6"}));   // the over-long line was no message
    EXPECT_FALSE(HungUp(silent));
    EXPECT_TRUE(RunUntil([&] { return HungUp(silent) && HungUp(good); }, 10000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(RunUntil([&] { return SessionMessageConnections(kName) == 0; }));
    for (int fd : {flood, silent, sender, good}) close(fd);
}

TEST_F(SessionSocket, AFewDozenAreHeldAndRunningOutOfDescriptorsDoesNotSpin) {
    std::vector<int> idle;
    for (int i = 0; i < 40; ++i) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = SessionMessageSocket(kName);
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));   // the backlog may refuse some
        idle.push_back(fd);
        Application->ProcessMessages();
    }
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(SessionMessageConnections(kName), 32u);
    for (int fd : idle) close(fd);
    ASSERT_TRUE(RunUntil([] { return SessionMessageConnections(kName) == 0; }));

    // No descriptor left for the next connection: accept fails while it waits.
    const int waiting = Connect();
    const std::string line = std::to_string(WM_USER + 7) + " 1 2\n";
    ASSERT_EQ(write(waiting, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    rlimit old{};
    getrlimit(RLIMIT_NOFILE, &old);
    const int lowest = dup(0);
    close(lowest);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(lowest);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const double before = ThreadCpuSeconds();
    {
        // Turns of the loop as the program runs it, which waits only while nothing is ready.
        QTimer wake;
        wake.start(50);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < end) Application->HandleMessage();
    }
    const double used = ThreadCpuSeconds() - before;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &old), 0);
    EXPECT_LT(used, 0.4) << "the main thread spun on the failing accept";
    EXPECT_TRUE(window.log.empty());
    // With descriptors back the waiting message is served.
    EXPECT_TRUE(RunUntil([&] { return !window.log.empty(); }, 5000));
    EXPECT_EQ(window.log, (Log{"user+7 1 2"}));
    close(waiting);
}
