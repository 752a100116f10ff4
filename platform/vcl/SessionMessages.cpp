#include "SessionMessages.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "SysUtils.h"
#include "VclPrivate.h"

namespace {

bool SocketAddress(const char* name, sockaddr_un& address) {
    const std::string path = SessionMessageSocket(name);
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int ConnectTo(const char* name) {
    sockaddr_un address;
    if (!SocketAddress(name, address)) return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool ParseNumber(const std::string& text, unsigned long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0' && text[0] != '-';
}

// A line "<message> [<wParam> [<lParam>]]".
bool ParseLine(const std::string& line, TMsg& msg) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    if (words.empty() || words.size() > 3) return false;
    unsigned long long n[3] = {0, 0, 0};
    for (std::size_t i = 0; i < words.size(); ++i)
        if (!ParseNumber(words[i], n[i])) return false;
    if (n[0] > 0xFFFFFFFFull) return false;
    msg.message = static_cast<UINT>(n[0]);
    msg.wParam = static_cast<WPARAM>(n[1]);
    msg.lParam = static_cast<LPARAM>(n[2]);
    return true;
}

// Other programs write a line and hang up. What goes beyond that is not served: a line longer than
// any message, a connection that stays silent, more connections than any session makes at once.
constexpr std::size_t kLineLimit = 256;
constexpr int kIdleMs = 3000;
// Nor one that goes on talking: a sender that keeps a connection alive with empty lines would
// otherwise hold its place for good, and a few dozen of them would shut every other sender out.
constexpr int kLifeMs = 10000;
constexpr std::size_t kMaxConnections = 32;
// After accept failed for want of descriptors or memory, the listener rests this long: the
// waiting connection keeps the socket readable, and answering it at once would spin.
constexpr int kAcceptRestMs = 1000;

struct Connection {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QTimer> idle;
    std::unique_ptr<QTimer> life;
    std::string pending;
    bool closing = false;
    ~Connection() {
        life.reset();
        idle.reset();
        notifier.reset();
        if (fd >= 0) close(fd);
    }
};

struct Listener {
    std::string name;
    std::string path;
    HWND wnd = nullptr;
    std::vector<UINT> accepted;
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    std::map<int, std::unique_ptr<Connection>> connections;
    bool resting = false;

    ~Listener() {
        connections.clear();
        notifier.reset();
        if (fd >= 0) {
            close(fd);
            unlink(path.c_str());
        }
    }

    // Accepting goes on only while there is room and the last failure has rested.
    void UpdateAccepting() { notifier->setEnabled(!resting && connections.size() < kMaxConnections); }

    void Accept() {
        const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED) return;
            resting = true;
            UpdateAccepting();
            QTimer::singleShot(kAcceptRestMs, notifier.get(), [this] {
                resting = false;
                UpdateAccepting();
            });
            return;
        }
        // Only programs of the same user may talk to the window.
        ucred cred{};
        socklen_t len = sizeof(cred);
        if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != geteuid()) {
            close(client);
            return;
        }
        auto c = std::make_unique<Connection>();
        c->fd = client;
        c->notifier = std::make_unique<QSocketNotifier>(client, QSocketNotifier::Read);
        QObject::connect(c->notifier.get(), &QSocketNotifier::activated, [this, client] { Read(client); });
        c->idle = std::make_unique<QTimer>();
        c->idle->setSingleShot(true);
        c->idle->setInterval(kIdleMs);
        QObject::connect(c->idle.get(), &QTimer::timeout, [this, client] { Drop(client); });
        c->idle->start();
        c->life = std::make_unique<QTimer>();
        c->life->setSingleShot(true);
        c->life->setInterval(kLifeMs);
        QObject::connect(c->life.get(), &QTimer::timeout, [this, client] { Drop(client); });
        c->life->start();
        connections[client] = std::move(c);
        UpdateAccepting();
    }

    // The notifier or timer whose signal is running must not be deleted inside it: close later.
    void Drop(int client) {
        auto it = connections.find(client);
        if (it == connections.end() || it->second->closing) return;
        Connection& c = *it->second;
        c.closing = true;
        c.notifier->setEnabled(false);
        c.idle->stop();
        c.life->stop();
        QMetaObject::invokeMethod(
            notifier.get(),
            [this, client] {
                connections.erase(client);
                UpdateAccepting();
            },
            Qt::QueuedConnection);
    }

    void Read(int client) {
        auto it = connections.find(client);
        if (it == connections.end() || it->second->closing) return;
        Connection& c = *it->second;
        char buffer[512];
        bool closed = false, tooLong = false;
        // A bounded amount per turn, so a sender that never stops cannot hold the main thread.
        for (int turn = 0; turn < 8; ++turn) {
            const ssize_t n = read(c.fd, buffer, sizeof(buffer));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0 || errno != EAGAIN) closed = true;
                break;
            }
            c.pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t start = 0;
            for (std::size_t eol; (eol = c.pending.find('\n', start)) != std::string::npos; start = eol + 1) {
                if (eol - start > kLineLimit) break;
                Deliver(c.pending.substr(start, eol - start));
            }
            c.pending.erase(0, start);
            // A line that never ends, or ends too late, is no message.
            if (c.pending.size() > kLineLimit) {
                tooLong = true;
                break;
            }
        }
        if (tooLong) {
            Drop(client);
            return;
        }
        if (closed) {
            if (!c.pending.empty()) Deliver(c.pending);
            c.pending.clear();
            Drop(client);
            return;
        }
        c.idle->start();
    }

    void Deliver(const std::string& line) {
        TMsg msg;
        if (!ParseLine(line, msg)) return;
        for (UINT m : accepted)
            if (m == msg.message) {
                PostMessage(wnd, msg.message, msg.wParam, msg.lParam);
                return;
            }
    }
};

std::map<std::string, std::unique_ptr<Listener>>& Listeners() {
    static auto* listeners = new std::map<std::string, std::unique_ptr<Listener>>;
    return *listeners;
}

} // namespace

std::string SessionMessageSocket(const char* Name) {
    const std::string dir = Vcl::Detail::RuntimeFolder();
    if (dir.empty() || !Name || !*Name) return {};
    std::string safe;
    for (const char* p = Name; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        safe += (std::isalnum(c) || c == '-' || c == '.') ? static_cast<char>(c) : '_';
    }
    return dir + "/messages-" + safe + ".socket";
}

BOOL ListenForSessionMessages(const char* Name, HWND hWnd, const std::vector<UINT>& Accepted) {
    if (!Name || !*Name || !Vcl::Detail::EnsureQtApp()) return FALSE;
    if (Listeners().count(Name)) return FALSE;
    sockaddr_un address;
    if (!SocketAddress(Name, address)) return FALSE;
    // A socket someone answers on belongs to a running program; one nobody answers on is left over.
    const int probe = ConnectTo(Name);
    if (probe >= 0) {
        close(probe);
        return FALSE;
    }
    unlink(address.sun_path);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return FALSE;
    const mode_t old = umask(0077);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    umask(old);
    if (!bound || listen(fd, 8) != 0) {
        close(fd);
        return FALSE;
    }
    auto l = std::make_unique<Listener>();
    l->name = Name;
    l->path = address.sun_path;
    l->wnd = hWnd;
    l->accepted = Accepted;
    l->fd = fd;
    l->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Listener* raw = l.get();
    QObject::connect(l->notifier.get(), &QSocketNotifier::activated, [raw] { raw->Accept(); });
    Listeners()[Name] = std::move(l);
    return TRUE;
}

std::size_t SessionMessageConnections(const char* Name) {
    auto it = Name ? Listeners().find(Name) : Listeners().end();
    return it == Listeners().end() ? 0 : it->second->connections.size();
}

void StopListeningForSessionMessages(const char* Name) {
    if (Name) Listeners().erase(Name);
}

BOOL PostSessionMessage(const char* Name, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const int fd = ConnectTo(Name);
    if (fd < 0) return FALSE;
    const std::string line = std::to_string(Msg) + " " + std::to_string(wParam) + " " +
                             std::to_string(static_cast<std::uintptr_t>(lParam)) + "\n";
    const bool ok = write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    close(fd);
    return ok ? TRUE : FALSE;
}
