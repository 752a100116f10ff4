#pragma once
// Forms, the application with its message loop, hints, and the screen.
#include <functional>
#include <utility>
#include <vector>

#include "Controls.h"

class QWidget;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TEnumSet<TBorderIcon>;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// ---- forms ------------------------------------------------------------------------------------------------
// The smallest and largest outer size a form may take (0: no limit).
class TSizeConstraints : public TPersistent {
public:
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }
    void SetMinWidth(int Value) { Set(minWidth_, Value); }
    void SetMinHeight(int Value) { Set(minHeight_, Value); }
    void SetMaxWidth(int Value) { Set(maxWidth_, Value); }
    void SetMaxHeight(int Value) { Set(maxHeight_, Value); }
    TNotifyEvent OnChange;
private:
    void Set(int& field, int Value) {
        if (field == Value) return;
        field = Value < 0 ? 0 : Value;
        if (OnChange) OnChange(this);
    }
    int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition Value) { position_ = Value; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle Value);
    // The form this one pops up from: it stays above that form, goes with it, and takes input while
    // that form is modal. nullptr: a window of its own.
    TCustomForm* PopupParent() const { return popupParent_; }
    void SetPopupParent(TCustomForm* Value);
    TWindowState WindowState() const;
    void SetWindowState(TWindowState Value);
    // Opacity of the whole window (needs a compositing window manager to be seen).
    bool AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(bool Value);
    Byte AlphaBlendValue() const { return alphaBlendValue_; }
    void SetAlphaBlendValue(Byte Value);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool Value) { keyPreview_ = Value; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* Control);
    bool Active() const;
    TCanvas* Canvas() const { return canvas_.get(); }
    // A clear brush leaves the window's background unpainted (what covers it paints everything).
    TBrush* Brush() const { return brush_.get(); }
    TSizeConstraints* Constraints() const { return constraints_.get(); }

    // Width and Height count the frame: ClientWidth is Width less the frame's sides.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    void SetVisible(bool Value) override;
    // The frame's widths (left, top, right, bottom) as the class library counts them for the border
    // style, or the window manager's when it reports a frame for the shown window.
    TRect FrameExtents() const;

    void Show();
    void Close();
    virtual bool CloseQuery();
    // Shows the form and runs messages until ModalResult is set or the form is hidden.
    virtual int ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult Value) { modalResult_ = Value; }
    // Frees the form once the message that is running now has been handled.
    void Release();
    // Runs OnCreate once; a form built in code calls it at the end of its constructor (CreateForm
    // does it for forms it makes).
    void DoCreate();
    // Runs OnDestroy once; the form's destructor calls it when nobody did before.
    void DoDestroy();
    // Called when the window manager moved or sized the window.
    void WindowGeometryChanged();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;

protected:
    friend class TWinControl;
    void WndProc(TMessage& Message) override;
    void UpdateWindowBounds() override;
    void TextChanged() override;
    virtual void Paint();
    void PaintMessage(TMessage& Message) override;
    void EraseBackground(TMessage& Message) override;
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    // CM_DIALOGKEY: Return and Escape press the default and the cancel button.
    virtual void DialogKey(TMessage& Message);

private:
    void ApplyWindowFlags();
    void PlaceOnShow();
    void PlaceWindow(QWidget* w);
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TCustomForm* popupParent_ = nullptr;
    bool alphaBlend_ = false;
    Byte alphaBlendValue_ = 255;
    bool keyPreview_ = false;
    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = mrNone;
    std::unique_ptr<TCanvas> canvas_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TSizeConstraints> constraints_;
    bool created_ = false;
    bool destroyed_ = false;
    bool placed_ = false;
    bool modal_ = false;
    // The frame the window's size was last given for.
    TRect sizedForFrame_;
    // Times the place the program set is asked for again when the window lands elsewhere, and until
    // when (milliseconds of the steady clock): later changes are the user's own.
    int placeTries_ = 0;
    long long placeUntilMs_ = 0;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// ---- hints ----------------------------------------------------------------------------------------------------
// The action that carries the application's hint to whoever shows it (a status bar with AutoHint).
class THintAction : public TObject {
public:
    explicit THintAction(const AnsiString& AHint) : Hint(AHint) {}
    AnsiString Hint;
};
// The part of a hint after "|", or all of it when it has none.
AnsiString GetLongHint(const AnsiString& Hint);
// The part before "|".
AnsiString GetShortHint(const AnsiString& Hint);

// The small window the application shows a hint in.
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* AOwner);
    // Shows Hint with its top-left at Rect's (screen coordinates).
    virtual void ActivateHint(TRect Rect, const AnsiString& Hint);
    // The rectangle the hint needs, at most MaxWidth wide, at (0, 0).
    virtual TRect CalcHintRect(int MaxWidth, const AnsiString& Hint, void* Data);
    void ReleaseHandle();
    bool Active() const;
protected:
    void UpdateWindowBounds() override;
    void Paint() override;
};

using THintWindowClass = std::function<THintWindow*(TComponent* Owner)>;

// ---- the application ------------------------------------------------------------------------------------
using TExceptionEvent = std::function<void(TObject* Sender, SysUtils::Exception* E)>;
using TMessageEvent = std::function<void(TMsg& Msg, bool& Handled)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TShowHintEvent = std::function<void(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo)>;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Starts the window system (X11 where a display is given) and connects the thread queue.
    void Initialize();
    // Makes a form owned by the application, handing the form's constructor what follows its owner;
    // the first one becomes the main form.
    template <typename T, typename... Args>
    void CreateForm(T*& Reference, Args&&... Arguments) {
        Reference = new T(this, std::forward<Args>(Arguments)...);
        if (!mainForm_) {
            mainForm_ = Reference;
            MainFormCreated();
        }
        Reference->DoCreate();
    }
    // Shows the main form (when ShowMainForm) and runs messages until Terminate; then frees the forms.
    void Run();
    // Runs the messages that are waiting now, timers and queued thread calls included.
    void ProcessMessages();
    // Runs one turn of the loop: the waiting messages, or, when there are none, OnIdle and a wait.
    void HandleMessage();
    // The loop ends at its next turn (also when called before Run).
    void Terminate();
    bool Terminated() const { return terminated_; }

    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* Form) { mainForm_ = Form; }
    bool ShowMainForm = true;
    AnsiString Title;
    AnsiString ExeName() const;
    HWND Handle() const { return handle_; }
    bool Active() const;

    // Inside a catch: the exception goes to OnException, else it is shown (EAbort stays silent).
    void HandleException(TObject* Sender);
    void ShowException(SysUtils::Exception* E);
    // The platform's message box: MB_ flags in, ID answer out.
    int MessageBox(const AnsiString& Text, const AnsiString& Caption = "", int Flags = 0);

    // Hints.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool Value);
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    THintWindowClass HintWindowClass;
    void CancelHint();
    void HideHint();
    // Shows the hint of the control under the mouse now (the hint pause has passed).
    void ActivateHint(const TPoint& CursorPos);
    THintWindow* HintWindow() const { return hintWindow_; }

    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    TIdleEvent OnIdle;
    TShowHintEvent OnShowHint;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnHint;
    // The long hint of the control under the mouse (its own or its nearest parent's). A change raises
    // OnHint, or, when that is not assigned, offers a THintAction to the active and the main form.
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& Value);

private:
    friend struct ApplicationAccess;
    AnsiString hint_;
    void Idle();
    // From its creation on, the program's end by signal or session is served (SessionEnd.cpp).
    void MainFormCreated();
    bool terminated_ = false;
    TCustomForm* mainForm_ = nullptr;
    HWND handle_ = nullptr;
    bool showHint_ = true;
    TComponentRef<THintWindow> hintWindow_{this};
};

extern TApplication* Application;

// ---- the screen ---------------------------------------------------------------------------------------------
class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* AOwner) : TComponent(AOwner) {}
    int Width() const;
    int Height() const;
    // The desktop less panels and task bars.
    TRect WorkAreaRect() const;
    int WorkAreaLeft() const { return WorkAreaRect().Left; }
    int WorkAreaTop() const { return WorkAreaRect().Top; }
    int WorkAreaWidth() const { return WorkAreaRect().Width(); }
    int WorkAreaHeight() const { return WorkAreaRect().Height(); }
    int DesktopWidth() const;
    int DesktopHeight() const;
    int PixelsPerInch() const { return 96; }
    // A cursor for the whole application (crDefault gives each control its own again).
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value);
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int Index) const { return forms_.at(static_cast<std::size_t>(Index)); }
    TCustomForm* ActiveForm() const;
    TWinControl* ActiveControl() const;
    TPoint CursorPos() const;
    // The installed font families, sorted.
    TStrings* Fonts();
private:
    friend class TCustomForm;
    std::vector<TCustomForm*> forms_;
    std::unique_ptr<TStringList> fonts_;
    TCursor cursor_ = crDefault;
};

extern TScreen* Screen;

namespace Forms {
// Where the mouse is on the screen.
TPoint GetCursorPos();
// The desktop's font for status bars.
void GetStatusFont(TFont* Font);
// How wide a window must be for its title bar to show Caption whole beside the window's icon and
// its buttons.
int CaptionWidth(const AnsiString& Caption);
} // namespace Forms
