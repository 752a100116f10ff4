#pragma once
// Icons in the desktop's notification area (the tray), with the platform's call: the icon's window
// gets the callback message with the icon's id in WParam and the mouse message in LParam
// (WM_LBUTTONUP for a click, WM_LBUTTONDBLCLK for a double click, WM_RBUTTONUP for the context click,
// WM_MBUTTONUP for the middle button).
#include "WinApi.h"

class QObject;
struct HICON__;
using HICON = HICON__*;

constexpr DWORD NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 0x1, NIF_ICON = 0x2, NIF_TIP = 0x4;

struct NOTIFYICONDATA {
    DWORD cbSize = sizeof(NOTIFYICONDATA);
    HWND hWnd = nullptr;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = nullptr;
    char szTip[64] = {};
};

// NIM_ADD fails when the desktop has no notification area (or the icon exists); the icon is then not
// there and NIM_MODIFY and NIM_DELETE fail for it too. The tip is cut to 63 bytes.
BOOL Shell_NotifyIcon(DWORD dwMessage, NOTIFYICONDATA* lpData);

// The program's icon named lpIconName: its icon resource of that name (Resources::FindResourceData),
// else a picture file of that name (any case; .png, .xpm, .svg or .ico) in the program folder. Null
// when there is neither.
HICON LoadIcon(HINSTANCE hInstance, const char* lpIconName);
BOOL DestroyIcon(HICON hIcon);

namespace ShellNotify {
// Whether the desktop shows a notification area now.
bool NotificationAreaAvailable();
// Tests: 1 pretends there is a notification area, 0 that there is none, -1 asks the desktop again.
void SetNotificationAreaForTesting(int Available);
// The icon as the notification area has it; false when it is not there.
bool FindIcon(HWND hWnd, UINT uID, NOTIFYICONDATA& Data);
// The platform's object behind the icon (a QSystemTrayIcon), or null.
QObject* TrayObject(HWND hWnd, UINT uID);
} // namespace ShellNotify
