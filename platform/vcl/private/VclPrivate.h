#pragma once
// Inside the visual library only (and tests that look at what it produced): the Qt side of windows,
// messages and the main loop. Public headers never include this file.
// Reached by a path past the include directories, it still refuses what lies above the platform.
#ifndef ZB_PLATFORM_PRIVATE
#error "the Qt side of the visual library is for the platform and its tests only"
#endif

#include <QEvent>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "Messages.h"

class TControl;
class TWinControl;

namespace Vcl::Detail {

// Makes the QApplication when none exists yet (with the command line given to SysUtils) and
// connects the thread queue to the main loop. Returns false off the main thread without an application.
bool EnsureQtApp();

// Runs fn; an exception it raises goes to the application's exception handling, never further.
void Guarded(TObject* Sender, const std::function<void()>& fn);
// Hands the exception being handled (inside a catch) to Application->HandleException.
void HandleCurrentException(TObject* Sender);

// The hint machinery follows the control under the mouse and forgets controls that go.
void MouseControlChanged(TControl* control);
void MouseButtonActivity();
// The mouse moved over control to (x, y) in its client coordinates.
void MouseMovedOver(TControl* control, int x, int y);
void ControlDestroyed(TControl* control);
// A form has gone modal and its loop runs: the dialog answerer of the tests (Dialogs.h) may act.
void ModalFormShown(class TCustomForm* form);
// The innermost modal form whose loop runs, or null: a dialog opened now is opened from it, and
// stands above it.
class TCustomForm* OpeningModalForm();
// The window a dialog of Qt's own opened now belongs to: that form's, or none.
QWidget* DialogParentWidget();
// The signals that end a program and the desktop session's end reach the main form as the
// session-end messages (SessionEnd.cpp): caught from the main form's creation on (during the start
// they stop the start: Terminated is set and the platform's dialogs are cancelled), sent to the main
// form once the application's loop runs or would run, and ignored after the loop.
void WatchSessionEnd();
void AnswerSessionEnd();
void UnwatchSessionEnd();
// A dialog of the platform (not a form) offered to the tests' answerer: false when none is set.
// Otherwise Pressed is the button the answerer pressed ("" for none) and FileName what it chose.
bool AnswerPlatformDialog(const AnsiString& Caption, const std::vector<AnsiString>& Buttons, AnsiString& Pressed,
                          AnsiString& FileName);

// The user's runtime folder: private to the user and cleared at logout, the life of a session-wide
// mutex or message socket. Without one, a folder of our own in the temporary folder stands in ("" when
// even that cannot be made safely).
std::string RuntimeFolder();

// The handle table: every window that can receive messages.
HWND RegisterWindow(TWndMethod method);
void UnregisterWindow(HWND wnd);
// Calls the window's method now on this thread; false when the handle is unknown.
bool DeliverToWindow(HWND wnd, TMessage& message);
// Lets the application see a posted message first (its OnMessage); true when it handled it.
bool ApplicationFilterMessage(TMsg& msg);
// The number of messages posted and not yet delivered (tests and the idle check).
int PendingPostedMessages();
void InitPostOffice();

// Moving and sizing by the mouse after a hit test answered caption or border (one at a time).
bool IsSizeMoveHit(LRESULT hit);
bool SizeMoveActive(const TControl* control);
void BeginSizeMove(TControl* control, LRESULT hit, const QPoint& global);
void SizeMoveTo(TControl* control, const QPoint& global);
void EndSizeMove(TControl* control, const QPoint& global);
void ForgetSizeMove(const TControl* control);

// The class library's drag of controls, driven by the mouse events of the widget that has the mouse.
// DragMouse takes the event (true) while a drag runs; DragKey cancels with Escape.
void NoteMousePos(const QPoint& global);
bool DragActive();
bool DragMouse(QEvent::Type type, Qt::MouseButton button, const QPoint& global);
bool DragKey(int qtKey);
void DragMessage(TControl* control, TMessage& message);
void ForgetDrag(const TControl* control);

// The widget that stands for a control on screen.
QWidget* HandleWidget(const TControl* control);
TControl* ControlOfWidget(const QWidget* widget);
// The shape Qt shows for one of the class library's cursors.
Qt::CursorShape CursorShape(int cursor);

// Mouse buttons and keys held during the event being translated (GetKeyState and the shift state).
void SetInputState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
Qt::KeyboardModifiers CurrentModifiers();
Qt::MouseButtons CurrentButtons();

} // namespace Vcl::Detail
