// The end of the desktop session, and the signals a logout, a service manager or a terminal ends the
// program with (SIGTERM, SIGINT, SIGHUP), reach the main form the one way a session's end does: the
// query (WM_QUERYENDSESSION), then the end (WM_ENDSESSION). A signal handler only writes the signal's
// number into a pipe; the event loop, or any dialog's loop, reads it there and does the work. Before
// the application's loop runs, the main form is still being made: the end then stops the start
// first. A session manager's checkpoint ("save the session", no logout) is the query alone.
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "Forms.h"
#include "Trace.h"
#include "VclPrivate.h"
#include "WinApi.h"

namespace {

constexpr int EndSignals[] = {SIGTERM, SIGINT, SIGHUP};

int signalPipe[2] = {-1, -1};
QSocketNotifier* notifier = nullptr;
QObject* quitFilter = nullptr;
QMetaObject::Connection commitConnection;
bool ending = false;
// The application's loop runs: the main form is there to be asked and told.
bool loopRuns = false;

extern "C" void OnEndSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &number, 1);
    errno = saved;
}

// Once the program ends, a further signal (a closed terminal sends its hang-up twice) neither ends
// it a second time nor kills it half-way.
void IgnoreSignals() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int signal : EndSignals) sigaction(signal, &ignore, nullptr);
}

// The platform's own dialogs (the file dialog) have loops of their own that know nothing of the
// application's end: they are cancelled. The forms' modal loops end by themselves.
void CancelPlatformDialogs() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog && dialog->isVisible()) dialog->reject();
    }
}

// The main form is asked whether the session may end, then told that it ends.
void TellMainForm() {
    Vcl::Detail::Guarded(Application, [] {
        if (TCustomForm* form = Application->MainForm()) {
            const LRESULT mayEnd = SendMessage(form->Handle(), WM_QUERYENDSESSION, 0, 0);
            SendMessage(form->Handle(), WM_ENDSESSION, mayEnd ? TRUE : FALSE, 0);
        }
    });
}

// The session ends: the loop ends whatever the main form answered, since the session (or the
// signal's sender) does not wait. During the start the form is still being made: the start stops
// (its waits and dialogs end), and the form hears of the end once it is made, when the loop would
// start; a start that gives up before (StartupExitCode) stores nothing.
void EndSession() {
    if (ending) return;
    ending = true;
    Trace::Step("session end");
    if (loopRuns) TellMainForm();
    Application->Terminate();
    CancelPlatformDialogs();
}

// A checkpoint: the main form saves what it would save at the end, and the program goes on. At a
// logout the session manager's order to end follows.
void CommitSession() {
    if (ending || !loopRuns) return;
    Vcl::Detail::Guarded(Application, [] {
        if (TCustomForm* form = Application->MainForm()) SendMessage(form->Handle(), WM_QUERYENDSESSION, 0, 0);
    });
}

// The session manager's order to end arrives as the application's quit event.
class QuitFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
            EndSession();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

namespace Vcl::Detail {

void WatchSessionEnd() {
    if (notifier || !EnsureQtApp()) return;
    ending = false;
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        unsigned char number = 0;
        while (read(signalPipe[0], &number, 1) == 1) {
        }
        EndSession();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : EndSignals) sigaction(signal, &action, nullptr);
    quitFilter = new QuitFilter;
    QCoreApplication::instance()->installEventFilter(quitFilter);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        commitConnection =
            QObject::connect(app, &QGuiApplication::commitDataRequest, [](QSessionManager&) { CommitSession(); });
    }
}

void AnswerSessionEnd() {
    if (!notifier) return;
    loopRuns = true;
    if (ending) TellMainForm();
}

void UnwatchSessionEnd() {
    if (!notifier) return;
    // The loop has ended and the program with it.
    IgnoreSignals();
    loopRuns = false;
    QObject::disconnect(commitConnection);
    delete quitFilter;
    quitFilter = nullptr;
    delete notifier;
    notifier = nullptr;
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

} // namespace Vcl::Detail
