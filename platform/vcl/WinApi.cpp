// Window handles and messages over Qt's event queue, window timers, and the system services.
#include "WinApi.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <pwd.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "Classes.h"
#include "Messages.h"  // built on this unit's types; the window functions deliver its TMessage
#include "ProgramName.h"
#include "SysUtils.h"
#include "VclPrivate.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

// ---- the handle table ----------------------------------------------------------------------------------
struct WindowTable {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<TWndMethod>> windows;
    std::uintptr_t next = 0x10000;
};

WindowTable& Windows() {
    static WindowTable table;
    return table;
}

std::shared_ptr<TWndMethod> FindWindow(HWND wnd) {
    auto& t = Windows();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.windows.find(wnd);
    return it == t.windows.end() ? nullptr : it->second;
}

std::atomic<int> pendingPosted{0};

// A posted message travels through Qt's queue to this object on the main thread.
class PostedMessageEvent : public QEvent {
public:
    static QEvent::Type Kind() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit PostedMessageEvent(const TMsg& msg) : QEvent(Kind()), Msg(msg) {}
    TMsg Msg;
};

class PostOffice : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != PostedMessageEvent::Kind()) return QObject::event(e);
        --pendingPosted;
        TMsg msg = static_cast<PostedMessageEvent*>(e)->Msg;
        Vcl::Detail::Guarded(nullptr, [&] {
            if (Vcl::Detail::ApplicationFilterMessage(msg)) return;
            if (!msg.hwnd) return;
            TMessage m{msg.message, msg.wParam, msg.lParam, 0};
            Vcl::Detail::DeliverToWindow(msg.hwnd, m);
        });
        return true;
    }
};

PostOffice* Office() {
    // Made on the main thread by EnsureQtApp; other threads only read it.
    static std::atomic<PostOffice*> office{nullptr};
    PostOffice* current = office.load();
    if (!current && QCoreApplication::instance() && Classes::IsMainThread()) {
        current = new PostOffice;
        current->moveToThread(QCoreApplication::instance()->thread());
        office.store(current);
    }
    return current;
}

// ---- window timers ---------------------------------------------------------------------------------------
std::map<std::pair<HWND, UINT_PTR>, QTimer*>& Timers() {
    static std::map<std::pair<HWND, UINT_PTR>, QTimer*> timers;
    return timers;
}

// ---- named mutexes -----------------------------------------------------------------------------------------
struct MutexObject {
    int fd = -1;
    bool owner = false;
};

std::string MutexFileName(const char* name) {
    // Any character outside a safe set becomes '_', so no name can leave the folder.
    std::string safe;
    for (const char* p = name; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        safe += (std::isalnum(c) || c == '-' || c == '.') ? static_cast<char>(c) : '_';
    }
    if (safe.empty() || safe[0] == '.') safe = "_" + safe;
    return "mutex-" + safe + ".lock";
}

BOOL CopyName(const std::string& name, char* buffer, DWORD* size) {
    if (!size) {
        lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (!buffer || *size < name.size() + 1) {
        *size = static_cast<DWORD>(name.size() + 1);
        lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}

} // namespace

namespace Vcl::Detail {

std::string RuntimeFolder() {
    std::string dir = SysUtils::GetEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat st{};
    if (!dir.empty() && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid())
        return dir;
    dir = "/tmp/" + SysUtils::ProgramName() + "-" + std::to_string(geteuid());
    mkdir(dir.c_str(), 0700);
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return {};
    return dir;
}

HWND RegisterWindow(TWndMethod method) {
    auto& t = Windows();
    std::lock_guard<std::mutex> lock(t.mutex);
    HWND wnd = reinterpret_cast<HWND>(t.next);
    t.next += 0x10;
    t.windows[wnd] = std::make_shared<TWndMethod>(std::move(method));
    return wnd;
}

void UnregisterWindow(HWND wnd) {
    {
        auto& t = Windows();
        std::lock_guard<std::mutex> lock(t.mutex);
        t.windows.erase(wnd);
    }
    auto& timers = Timers();
    for (auto it = timers.begin(); it != timers.end();) {
        if (it->first.first == wnd) {
            delete it->second;
            it = timers.erase(it);
        } else {
            ++it;
        }
    }
}

bool DeliverToWindow(HWND wnd, TMessage& message) {
    auto method = FindWindow(wnd);
    if (!method || !*method) return false;
    (*method)(message);
    return true;
}

int PendingPostedMessages() { return pendingPosted.load(); }

void InitPostOffice() { Office(); }

} // namespace Vcl::Detail

HWND AllocateHWnd(TWndMethod Method) { return Vcl::Detail::RegisterWindow(std::move(Method)); }

void DeallocateHWnd(HWND Wnd) { Vcl::Detail::UnregisterWindow(Wnd); }

LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{Msg, wParam, lParam, 0};
    if (Classes::IsMainThread()) {
        Vcl::Detail::DeliverToWindow(hWnd, m);
        return m.Result;
    }
    TThread::StaticSynchronize([&] { Vcl::Detail::DeliverToWindow(hWnd, m); });
    return m.Result;
}

BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd && !FindWindow(hWnd)) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (Classes::IsMainThread()) Vcl::Detail::EnsureQtApp();
    PostOffice* office = Office();
    if (!office) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    ++pendingPosted;
    QCoreApplication::postEvent(office, new PostedMessageEvent(TMsg{hWnd, Msg, wParam, lParam}));
    return TRUE;
}

BOOL IsWindow(HWND hWnd) { return FindWindow(hWnd) ? TRUE : FALSE; }

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, void*) {
    if (!FindWindow(hWnd) || !Vcl::Detail::EnsureQtApp()) {
        lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    QTimer*& timer = Timers()[{hWnd, nIDEvent}];
    if (!timer) {
        timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [hWnd, nIDEvent] {
            Vcl::Detail::Guarded(nullptr, [&] {
                TMessage m{WM_TIMER, nIDEvent, 0, 0};
                Vcl::Detail::DeliverToWindow(hWnd, m);
            });
        });
    }
    timer->start(static_cast<int>(uElapse ? uElapse : 1));
    return nIDEvent ? nIDEvent : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    auto& timers = Timers();
    auto it = timers.find({hWnd, uIDEvent});
    if (it == timers.end()) return FALSE;
    // The timer may be the one whose tick is running now.
    it->second->stop();
    it->second->deleteLater();
    timers.erase(it);
    return TRUE;
}

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }

HANDLE CreateMutex(void*, BOOL, const char* lpName) {
    auto* object = new MutexObject;
    if (!lpName || !*lpName) {
        // An unnamed mutex is private to the process and never exists already.
        lastError = ERROR_SUCCESS;
        object->owner = true;
        return reinterpret_cast<HANDLE>(object);
    }
    const std::string dir = Vcl::Detail::RuntimeFolder();
    if (dir.empty()) {
        delete object;
        lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    const std::string path = dir + "/" + MutexFileName(lpName);
    object->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (object->fd < 0) {
        delete object;
        lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    // The lock belongs to this open file, so a second open in this process also finds it taken, and it
    // goes with the process however that ends.
    if (flock(object->fd, LOCK_EX | LOCK_NB) == 0) {
        object->owner = true;
        lastError = ERROR_SUCCESS;
    } else if (errno == EWOULDBLOCK) {
        lastError = ERROR_ALREADY_EXISTS;
    } else {
        close(object->fd);
        delete object;
        lastError = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    return reinterpret_cast<HANDLE>(object);
}

BOOL ReleaseMutex(HANDLE hMutex) {
    auto* object = reinterpret_cast<MutexObject*>(hMutex);
    if (!object || !object->owner) return FALSE;
    return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
    auto* object = reinterpret_cast<MutexObject*>(hObject);
    if (!object) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (object->fd >= 0) close(object->fd);
    delete object;
    return TRUE;
}

BOOL GetComputerName(char* lpBuffer, DWORD* nSize) {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) std::strcpy(host, "localhost");
    return CopyName(host, lpBuffer, nSize);
}

BOOL GetUserName(char* lpBuffer, DWORD* nSize) {
    std::string name;
    if (const passwd* pw = getpwuid(geteuid())) name = pw->pw_name;
    if (name.empty()) name = SysUtils::GetEnvironmentVariable("USER");
    return CopyName(name, lpBuffer, nSize);
}

BOOL GetVersionEx(OSVERSIONINFO* info) {
    if (!info) {
        lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    utsname u{};
    if (uname(&u) != 0) return FALSE;
    // A program asks which Windows it runs on; the kernel's numbers would answer another question
    // (a 4.x kernel is no Windows older than 2000). The answer is the Windows whose services this
    // platform offers; the kernel is named in the service-pack text.
    info->dwMajorVersion = PlatformWindowsMajor;
    info->dwMinorVersion = PlatformWindowsMinor;
    info->dwBuildNumber = 0;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    const std::string name = std::string(u.sysname) + " " + u.release;
    const std::size_t n = std::min(name.size(), sizeof info->szCSDVersion - 1);
    std::memcpy(info->szCSDVersion, name.data(), n);
    info->szCSDVersion[n] = '\0';
    return TRUE;
}

int GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        if (!Vcl::Detail::EnsureQtApp()) return 0;
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return 0;
        return nIndex == SM_CXSCREEN ? screen->geometry().width() : screen->geometry().height();
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CXHSCROLL: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CYSMCAPTION: return 16;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    default: return 0;
    }
}

short GetKeyState(int nVirtKey) {
    const Qt::KeyboardModifiers mods = Vcl::Detail::CurrentModifiers();
    const Qt::MouseButtons buttons = Vcl::Detail::CurrentButtons();
    bool down = false;
    switch (nVirtKey) {
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: down = mods & Qt::ShiftModifier; break;
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: down = mods & Qt::ControlModifier; break;
    case VK_MENU: case VK_LMENU: case VK_RMENU: down = mods & Qt::AltModifier; break;
    case VK_LBUTTON: down = buttons & Qt::LeftButton; break;
    case VK_RBUTTON: down = buttons & Qt::RightButton; break;
    case VK_MBUTTON: down = buttons & Qt::MiddleButton; break;
    default: break;
    }
    return down ? static_cast<short>(0x8000) : 0;
}
