// The end of the desktop session, and the signals a logout, a service manager or a terminal ends the
// program with (SIGTERM, SIGINT, SIGHUP), reach the main form the one way a session's end does: the
// query (WM_QUERYENDSESSION), then the end (WM_ENDSESSION). A signal handler only writes the signal's
// number into a pipe; the event loop reads it there and does the work.
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "Forms.h"
#include "VclPrivate.h"
#include "WinApi.h"

namespace {

constexpr int EndSignals[] = {SIGTERM, SIGINT, SIGHUP};

int signalPipe[2] = {-1, -1};
struct sigaction previousActions[std::size(EndSignals)];
QSocketNotifier* notifier = nullptr;
QObject* quitFilter = nullptr;
bool ending = false;

extern "C" void OnEndSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &number, 1);
    errno = saved;
}

void RestoreSignals() {
    for (std::size_t i = 0; i < std::size(EndSignals); ++i) sigaction(EndSignals[i], &previousActions[i], nullptr);
}

// The session ends: the main form is asked, then told; the loop ends whatever it answered, since
// the session (or the signal's sender) does not wait.
void EndSession() {
    if (ending) return;
    ending = true;
    // A second signal while the program ends takes the system's way: it ends the process at once.
    RestoreSignals();
    Vcl::Detail::Guarded(Application, [] {
        if (TCustomForm* form = Application->MainForm()) {
            const LRESULT mayEnd = SendMessage(form->Handle(), WM_QUERYENDSESSION, 0, 0);
            SendMessage(form->Handle(), WM_ENDSESSION, mayEnd ? TRUE : FALSE, 0);
        }
    });
    Application->Terminate();
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
    notifier->setEnabled(false);
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
    for (std::size_t i = 0; i < std::size(EndSignals); ++i) sigaction(EndSignals[i], &action, &previousActions[i]);
    // A session manager's request to commit data (commitDataRequest) is no end: desktops send it
    // also when they only save the session. Its end comes as the quit event.
    quitFilter = new QuitFilter;
    QCoreApplication::instance()->installEventFilter(quitFilter);
}

void AnswerSessionEnd() {
    if (notifier) notifier->setEnabled(true);
}

void UnwatchSessionEnd() {
    if (!notifier) return;
    if (!ending) RestoreSignals();
    delete quitFilter;
    quitFilter = nullptr;
    delete notifier;
    notifier = nullptr;
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

} // namespace Vcl::Detail
