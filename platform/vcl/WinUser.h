#pragma once
// Window styles, stacking, showing and layered (translucent, colour-keyed) windows of the program's
// forms, with the platform's names and results. The application's handle stands for the program as a
// whole: minimising it hides every form until it is restored.
#include <vector>

#include "ShellApi.h"
#include "Types.h"

using COLORREF = DWORD;

constexpr int GWL_STYLE = -16, GWL_EXSTYLE = -20;

constexpr LONG WS_BORDER = 0x00800000, WS_DLGFRAME = 0x00400000, WS_CAPTION = 0x00C00000,
               WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000, WS_MINIMIZEBOX = 0x00020000,
               WS_MAXIMIZEBOX = 0x00010000, WS_VISIBLE = 0x10000000;
constexpr LONG WS_EX_TOPMOST = 0x00000008, WS_EX_TOOLWINDOW = 0x00000080, WS_EX_LAYERED = 0x00080000;

// The style bits of a form follow its border style, border icons and visibility. Taking away
// WS_CAPTION and WS_THICKFRAME leaves the window without a frame and giving them back restores it;
// the window keeps its outer rectangle, so its client area grows or shrinks by the frame.
// WS_EX_TOOLWINDOW keeps the window off the task bar; WS_EX_LAYERED makes it a layered window, which
// shows nothing until SetLayeredWindowAttributes gave it its look.
LONG GetWindowLong(HWND hWnd, int nIndex);
LONG SetWindowLong(HWND hWnd, int nIndex, LONG dwNewLong);

inline HWND const HWND_TOP = reinterpret_cast<HWND>(0);
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
constexpr UINT SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOREDRAW = 0x0008,
               SWP_NOACTIVATE = 0x0010, SWP_FRAMECHANGED = 0x0020, SWP_SHOWWINDOW = 0x0040,
               SWP_HIDEWINDOW = 0x0080;
// Moves, sizes and stacks a form (X, Y, cx, cy are its outer rectangle). HWND_BOTTOM puts it below
// the other windows once; it does not keep it there.
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
// SW_HIDE, SW_SHOW, SW_SHOWNOACTIVATE, SW_MINIMIZE, SW_RESTORE on a form or the application's handle.
// Answers whether the window was visible before.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL IsWindowVisible(HWND hWnd);
// Brings the form to the front and activates it; for a minimised program this restores it first,
// as a click on its task-bar entry does.
BOOL SetForegroundWindow(HWND hWnd);

constexpr DWORD LWA_COLORKEY = 0x1, LWA_ALPHA = 0x2;
// Pixels of the window in the colour crKey (with LWA_COLORKEY) become fully transparent and let the
// mouse through to what lies below; all others have the opacity bAlpha (with LWA_ALPHA; seen where the
// desktop composites windows). Fails for a window without WS_EX_LAYERED. May be called from any thread;
// the window changes on the main thread.
BOOL SetLayeredWindowAttributes(HWND hWnd, COLORREF crKey, Byte bAlpha, DWORD dwFlags);
BOOL GetLayeredWindowAttributes(HWND hWnd, COLORREF* pcrKey, Byte* pbAlpha, DWORD* pdwFlags);

namespace WinUser {
// The visible part of a colour-keyed window as rectangles in client coordinates, after the last update
// of its shape (empty for a window without a colour key).
std::vector<TRect> WindowShape(HWND hWnd);
// Brings the shape of a colour-keyed window up to date with what it shows now; it also follows by
// itself shortly after the window painted.
void UpdateWindowShape(HWND hWnd);
// The opacity the window has on screen, 0 to 255.
Byte WindowOpacity(HWND hWnd);
} // namespace WinUser
