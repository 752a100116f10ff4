#pragma once
// Controls: geometry, alignment, colours and fonts, mouse and keys, focus, hints and cursors. Every
// control has a window of the visual library behind it; what happens to that window reaches the
// control as the class library's messages (WndProc), in the class library's order, and the same
// messages can be sent with Perform.
#include <memory>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"
#include "Types.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TEnumSet<TShiftStateItem>;

// The state of an item its owner draws: menus, list boxes and combo boxes share it.
enum TOwnerDrawStateItem {
    odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive, odNoAccel,
    odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = TEnumSet<TOwnerDrawStateItem>;

enum TControlStyleItem {
    csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
    csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
    csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents
};
using TControlStyle = TEnumSet<TControlStyleItem>;
enum TControlStateItem {
    csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
    csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = TEnumSet<TControlStateItem>;

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
    crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
    crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
    crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22, crSize = -22;

// Modal results (also the buttons of message dialogs).
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

class TControl;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
// Key is the typed character as UTF-8 (one Unicode character); setting it to "" swallows it.
using TKeyPressEvent = std::function<void(TObject* Sender, AnsiString& Key)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;

// Dragging one control onto another with the mouse (the class library's own drag, inside the program).
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// CM_DRAG's WParam; its LParam points to a TDragRec.
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

// What is being dragged; OnStartDrag may hand in its own (it stays the caller's).
class TDragObject : public TObject {
public:
    TDragObject() = default;
    ~TDragObject() override = default;
};
// The object of a control's own drag: the events see the control as Source.
class TDragControlObject : public TDragObject {
public:
    explicit TDragControlObject(TControl* AControl) : control_(AControl) {}
    TControl* Control() const { return control_; }
private:
    TControl* control_;
};
struct TDragRec {
    TPoint Pos;                        // in the target's client coordinates
    TDragObject* Source = nullptr;
    TControl* Target = nullptr;
};

using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// What the hint machinery asks a control before it shows its hint (CM_HINTSHOW's LParam).
struct THintInfo {
    TControl* HintControl = nullptr;
    TPoint HintPos;          // screen position of the hint window's top-left
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect;        // the hint goes when the mouse leaves this (client coordinates)
    TPoint CursorPos;        // mouse in client coordinates
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    AnsiString HintStr;
    void* HintData = nullptr;
};

// ---- TControl ------------------------------------------------------------------------------------------
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // Geometry in the parent's client coordinates (a form's on the screen, frame included).
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
    void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
    void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
    void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    virtual void SetClientWidth(int Value);
    virtual void SetClientHeight(int Value);
    // Screen position of the client area's top-left.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint& Point) const;
    TPoint ScreenToClient(const TPoint& Point) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign Value);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool Value);
    void Show();
    void Hide();
    // Visible itself and every parent up to a shown form.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool Value);

    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool Value);
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* Value) { font_->Assign(Value); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool Value);

    // The window text; Caption and Text are the same.
    AnsiString Caption() const { return text_; }
    void SetCaption(const AnsiString& Value) { SetText(Value); }
    AnsiString Text() const { return text_; }
    void SetText(const AnsiString& Value);

    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& Value) { hint_ = Value; }
    // The parent's setting while ParentShowHint is on.
    bool ShowHint() const;
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool Value) { parentShowHint_ = Value; }

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* Value);

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);

    void Invalidate();
    // Paints now.
    void Repaint();
    void Update();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    bool MouseCapture() const;
    void SetMouseCapture(bool Value);

    // Sends the message to the control's WindowProc at once.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    // The control's message handler; code may put its own in front and call the previous one.
    TWndMethod WindowProc;

    TControlStyle ControlStyle;
    TControlState ControlState;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;

    virtual void Click();
    // An action offered to the controls (CM_ACTIONEXECUTE, such as the application's hint): true when
    // this control carried it out.
    virtual bool ExecuteAction(TObject* Action);

    // Dragging: with dmAutomatic a left press starts a drag; BeginDrag starts one by code, at once or
    // once the mouse has moved Threshold pixels (-1: the desktop's distance). EndDrag drops on the
    // control under the mouse (when it accepts) or cancels.
    TDragMode DragMode() const { return dragMode_; }
    virtual void SetDragMode(TDragMode Value) { dragMode_ = Value; }
    TDragKind DragKind() const { return dragKind_; }
    virtual void SetDragKind(TDragKind Value) { dragKind_ = Value; }
    TCursor DragCursor() const { return dragCursor_; }
    virtual void SetDragCursor(TCursor Value) { dragCursor_ = Value; }
    void BeginDrag(bool Immediate, int Threshold = -1);
    void EndDrag(bool Drop);
    bool Dragging() const;
    TStartDragEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

protected:
    friend class TWinControl;
    // The drag's steps: the source starts and ends it, a target is asked and dropped on (CM_DRAG).
    virtual void DoStartDrag(TDragObject*& DragObject);
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    // A left press of a dmAutomatic control: starts the drag and takes the press (true).
    virtual bool BeginAutoDrag();
    // Dispatches the messages the class library's controls handle; others go to DefaultHandler.
    virtual void WndProc(TMessage& Message);
    virtual void DefaultHandler(TMessage& Message);

    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();
    // Called for CM_TEXTCHANGED, CM_FONTCHANGED, CM_COLORCHANGED, CM_ENABLEDCHANGED ... in WndProc.
    virtual void TextChanged();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    // CM_HINTSHOW: a non-zero result keeps the hint away.
    virtual LRESULT HintShow(THintInfo& HintInfo);
    // Paints on the painter passed with WM_PAINT (WParam); controls with a canvas override it.
    virtual void PaintMessage(TMessage& Message);
    virtual void EraseBackground(TMessage& Message);

    // Brings the window to the stored geometry (children: relative to the parent's client area).
    virtual void UpdateWindowBounds();
    void UpdateWindowVisibility();
    void RequestAlign();
    // Mouse messages: the shift state packed in WParam plus Alt.
    static TShiftState MouseShiftState(WPARAM keys);
    // The keys held now.
    static TShiftState KeyShiftState();

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    // The window behind the control (a QWidget; see VclPrivate.h).
    void* handleWidget_ = nullptr;

private:
    friend struct ControlAccess;
    friend struct ControlDragAccess;
    void HandleMouseButton(TMessage& Message, TMouseButton Button, bool Down, bool Double);
    void ParentColorChanged();
    void ParentFontChanged();

    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clWindow;
    bool parentColor_ = true;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool fontFromParent_ = false;
    AnsiString text_;
    AnsiString hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    TComponentRef<TPopupMenu> popupMenu_{this};
    TDragMode dragMode_ = dmManual;
    TDragKind dragKind_ = dkDrag;
    TCursor dragCursor_ = crDrag;
};

// ---- TWinControl ----------------------------------------------------------------------------------------
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // The window handle: messages sent or posted to it reach WindowProc.
    HWND Handle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int Index) const { return controls_.at(static_cast<std::size_t>(Index)); }
    bool ContainsControl(const TControl* Control) const;
    // Sends the message to every child control.
    void Broadcast(TMessage& Message);

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool Value);
    int TabOrder() const;
    void SetTabOrder(int Value);
    void SetFocus();
    bool Focused() const;
    virtual bool CanFocus() const;

    // Positions the aligned children now; DisableAlign/EnableAlign batch several changes.
    void Realign();
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    bool DoubleBuffered = false;

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    void WndProc(TMessage& Message) override;
    // Key messages: true when the key was swallowed (a handler set it to 0 or "").
    virtual bool DoKeyDown(TMessage& Message);
    virtual bool DoKeyPress(TMessage& Message);
    virtual bool DoKeyUp(TMessage& Message);
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyPress(AnsiString& Key);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void DoEnter();
    virtual void DoExit();
    // The client area left to aligned children (a panel keeps its bevel free).
    virtual void AdjustClientRect(TRect& Rect);
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    void EraseBackground(TMessage& Message) override;
    void FontChanged() override;
    void ColorChanged() override;

private:
    friend class TControl;
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    std::vector<TControl*> controls_;
    HWND handle_ = nullptr;
    bool tabStop_ = false;
    int alignDisabled_ = 0;
    bool aligning_ = false;
    bool alignPending_ = false;
};

// ---- windowed and windowless controls that paint themselves ---------------------------------------------
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    // Valid for drawing while Paint runs; it keeps its font, pen and brush between paints.
    TCanvas* Canvas() const { return canvas_.get(); }
protected:
    virtual void Paint() {}
    void PaintMessage(TMessage& Message) override;
private:
    std::unique_ptr<TCanvas> canvas_;
};

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }
protected:
    virtual void Paint() {}
    void PaintMessage(TMessage& Message) override;
private:
    std::unique_ptr<TCanvas> canvas_;
};

// The form a control sits on (the control itself when it is a form), or nullptr.
TCustomForm* GetParentForm(const TControl* Control);
// The control under a screen position (the innermost), or nullptr.
TControl* FindControlAtPos(const TPoint& ScreenPos);
// The control under the mouse as the hint machinery and CM_MOUSEENTER see it.
TControl* MouseControl();
