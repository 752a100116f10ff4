#pragma once
// The operating-system calls the system's code makes, with their usual names and results: window
// handles and messages, timers on a window, the computer and user name, the system version and named
// mutexes. Everything here runs on Linux; nothing reaches a Windows API.
#include <cstdint>

#include "System.h"

struct HWND__;
using HWND = HWND__*;          // a window that can receive messages; never dereferenced
struct HANDLE__;
using HANDLE = HANDLE__*;      // a kernel object (here: a named mutex)
using HINSTANCE = void*;
using HMODULE = void*;
using UINT = unsigned int;
using BOOL = int;
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr Word LOWORD(std::uintptr_t v) { return static_cast<Word>(v & 0xFFFF); }
constexpr Word HIWORD(std::uintptr_t v) { return static_cast<Word>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<std::uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi) { return static_cast<WPARAM>(MAKELPARAM(lo, hi)) & 0xFFFFFFFFu; }
// Signed coordinates packed in a message parameter.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<std::int16_t>(lp & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<std::int16_t>((lp >> 16) & 0xFFFF); }

// ---- messages --------------------------------------------------------------------------------------
// Runs the window's message handler now and returns its result. From another thread the call runs on
// the main thread while the caller waits. A handle that no longer exists answers 0.
LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Queues the message for the main loop and returns at once (from any thread). It arrives after the
// handler that posted it has returned. Handle 0 posts to the application (its OnMessage).
BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND hWnd);

// WM_TIMER messages with the timer's id every Elapse milliseconds, until KillTimer. Setting an id that
// runs already restarts it with the new interval.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, void* lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// ---- errors ------------------------------------------------------------------------------------------
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
// The error of the last call on this thread that sets one.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// ---- named mutexes ---------------------------------------------------------------------------------
// Opens or creates a mutex named Name for the current user. When another handle of the same name is
// open (in this or another process of the user), the handle is returned and GetLastError() answers
// ERROR_ALREADY_EXISTS; otherwise it answers ERROR_SUCCESS. Returns 0 when nothing could be opened.
HANDLE CreateMutex(void* lpMutexAttributes, BOOL bInitialOwner, const char* lpName);
BOOL ReleaseMutex(HANDLE hMutex);
BOOL CloseHandle(HANDLE hObject);

// ---- computer, user and system ---------------------------------------------------------------------
constexpr DWORD MAX_COMPUTERNAME_LENGTH = 15;
// Copy the name with its terminating zero into lpBuffer of *nSize bytes and set *nSize to its length.
// A buffer too small fails with ERROR_INSUFFICIENT_BUFFER and *nSize set to the size needed.
BOOL GetComputerName(char* lpBuffer, DWORD* nSize);
BOOL GetUserName(char* lpBuffer, DWORD* nSize);

constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
struct OSVERSIONINFO {
    DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
// The Windows version whose services the platform offers (NT family, 10.0), on any kernel;
// szCSDVersion names the system and its kernel release.
constexpr DWORD PlatformWindowsMajor = 10, PlatformWindowsMinor = 0;
BOOL GetVersionEx(OSVERSIONINFO* lpVersionInformation);

// ---- sounds (MMSystem.cpp) ----------------------------------------------------------------------------
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
// Sounds the desktop's bell.
BOOL MessageBeep(UINT uType);

// ---- message boxes (Dialogs.cpp) ---------------------------------------------------------------------
constexpr UINT MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
               MB_RETRYCANCEL = 0x5, MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONERROR = MB_ICONHAND, MB_ICONSTOP = MB_ICONHAND, MB_ICONWARNING = MB_ICONEXCLAMATION,
               MB_ICONINFORMATION = MB_ICONASTERISK, MB_ICONMASK = 0xF0;
constexpr UINT MB_DEFBUTTON1 = 0x000, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200, MB_DEFMASK = 0xF00;
constexpr UINT MB_APPLMODAL = 0x0000, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000,
               MB_SETFOREGROUND = 0x10000, MB_TOPMOST = 0x40000;
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;
// A modal message box with German buttons; answers the ID of the button pressed (IDCANCEL when it was
// closed otherwise). A null caption is "Fehler", as the platform titles untitled boxes.
int MessageBox(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType);

// ---- system metrics ------------------------------------------------------------------------------------
constexpr int SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
              SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CXHSCROLL = 21,
              SM_CXFRAME = 32, SM_CYFRAME = 33, SM_CYSMCAPTION = 51, SM_CXMENUCHECK = 71,
              SM_CYMENUCHECK = 72;
constexpr int SM_CXFIXEDFRAME = SM_CXDLGFRAME, SM_CYFIXEDFRAME = SM_CYDLGFRAME;
constexpr int SM_CXSIZEFRAME = SM_CXFRAME, SM_CYSIZEFRAME = SM_CYFRAME;
// The classic metrics at 96 dots per inch, and the primary screen's size.
int GetSystemMetrics(int nIndex);

// ---- virtual keys ------------------------------------------------------------------------------------
constexpr Word VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_CANCEL = 0x03, VK_MBUTTON = 0x04, VK_BACK = 0x08,
    VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
    VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22,
    VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
    VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_HELP = 0x2F, VK_LWIN = 0x5B, VK_RWIN = 0x5C,
    VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C,
    VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72,
    VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75, VK_F7 = 0x76, VK_F8 = 0x77, VK_F9 = 0x78, VK_F10 = 0x79,
    VK_F11 = 0x7A, VK_F12 = 0x7B, VK_NUMLOCK = 0x90, VK_SCROLL = 0x91, VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1,
    VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3, VK_LMENU = 0xA4, VK_RMENU = 0xA5;
// Letters and digits are their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).

// The state of a key while a key message is handled: the high bit when it is down (Shift, Control,
// Alt and the mouse buttons; other keys answer up).
short GetKeyState(int nVirtKey);
