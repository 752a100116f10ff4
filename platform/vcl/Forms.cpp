// Forms as top-level Qt windows, the application's message loop over Qt's event dispatcher, the
// hint machinery and the screen.
#include "Forms.h"

#include <map>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "Dialogs.h"     // above the forms: Application->MessageBox shows the platform's message dialog
#include "GraphicsQt.h"
#include "ProgramName.h"
#include "StdCtrls.h"     // above the forms: Return and Escape press the form's default and cancel TButton
#include "VclPrivate.h"

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

namespace {

// Exceptions must never unwind through Qt's event delivery: whatever an event handler lets escape
// ends here and goes to the application.
class TQtApplication : public QApplication {
public:
    TQtApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            Vcl::Detail::HandleCurrentException(nullptr);
            return true;
        }
    }
};

struct HintState {
    QTimer* showTimer = nullptr;
    QTimer* hideTimer = nullptr;
    TControl* control = nullptr;
    bool shown = false;
    TRect cursorRect;   // the shown hint's area of its control
    TPoint mousePos;    // screen position of the last mouse move over a control
    bool mouseKnown = false;
};

HintState& Hints() {
    static HintState state;
    return state;
}

AnsiString ShortHint(const AnsiString& hint) { return GetShortHint(hint); }

QWidget* Widget(const TControl* c) { return Vcl::Detail::HandleWidget(c); }

void NotifySysFontChanged(TControl* c) {
    c->Perform(CM_SYSFONTCHANGED);
    if (auto* w = dynamic_cast<TWinControl*>(c))
        for (int i = 0; i < w->ControlCount(); ++i) NotifySysFontChanged(w->Controls(i));
}

// The desktop's fonts changed: every control of every form hears of it, once Qt has settled all of
// its fonts (the event comes before the fonts of widget classes are reset).
class SysFontWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationFontChange) {
            QMetaObject::invokeMethod(this, [] {
                Vcl::Detail::Guarded(Application, [] {
                    for (int i = 0; i < Screen->FormCount(); ++i) NotifySysFontChanged(Screen->Forms(i));
                });
            }, Qt::QueuedConnection);
        }
        return false;
    }
};

bool OffscreenPlatform() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

long long SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

namespace {
// Qt's environment calls share one lock, and the browser engine changes the environment on the main
// thread while the page builder reads the settings' folder on its own: every read of ours takes
// that lock too, from the program's first moment.
const bool environmentReadUnderQtsLock = [] {
    SysUtils::SetEnvironmentReader([](const char* Name) { return qgetenv(Name).toStdString(); });
    return true;
}();
} // namespace

// ---- glue for the rest of the library --------------------------------------------------------------------------
namespace Vcl::Detail {

bool EnsureQtApp() {
    static bool wired = false;
    if (!QCoreApplication::instance()) {
        if (!Classes::IsMainThread()) return false;
        // The window code positions windows itself, which only X11 allows; a desktop session that
        // also offers X11 is used through it.
        if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") != nullptr)
            setenv("QT_QPA_PLATFORM", "xcb", 1);
        static std::vector<std::string> args;
        static std::vector<char*> argv;
        static int argc = 0;
        args.clear();
        const std::string program = SysUtils::ParamStr(0);
        args.push_back(program.empty() ? SysUtils::ProgramName() : program);
        argv.clear();
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        argc = static_cast<int>(args.size());
        new TQtApplication(argc, argv.data());
        QApplication::setQuitOnLastWindowClosed(false);
    }
    if (!wired) {
        wired = true;
        Classes::SetMainThread();
        QObject* app = QCoreApplication::instance();
        Classes::SetWakeMainThread([app] {
            QMetaObject::invokeMethod(app, [] { Classes::CheckSynchronize(); }, Qt::QueuedConnection);
        });
        InitPostOffice();
        app->installEventFilter(new SysFontWatch(app));
        // The program speaks German, so Qt's own dialogs (file, colour, print) do too.
        auto* german = new QTranslator(app);
        if (german->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(german);
        QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, [](Qt::ApplicationState state) {
            Guarded(Application, [&] {
                if (state == Qt::ApplicationActive) {
                    if (Application->OnActivate) Application->OnActivate(Application);
                } else if (Application->OnDeactivate) {
                    Application->OnDeactivate(Application);
                }
            });
        });
    }
    return true;
}

void HandleCurrentException(TObject* Sender) {
    // An exception raised while one is being shown (by the box's own handlers) is not shown again,
    // or the boxes would never end.
    static int depth = 0;
    if (depth > 0) {
        try {
            throw;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Ausnahme beim Anzeigen einer Ausnahme: %s\n", e.what());
        } catch (...) {
            std::fputs("Ausnahme beim Anzeigen einer Ausnahme\n", stderr);
        }
        return;
    }
    ++depth;
    ScopeExit leave([] { --depth; });
    try {
        Application->HandleException(Sender);
    } catch (...) {
        // An exception handler that fails itself has nowhere left to report to but the log.
        std::fputs("Ausnahme in der Ausnahmebehandlung\n", stderr);
    }
}

void Guarded(TObject* Sender, const std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        HandleCurrentException(Sender);
    }
}

bool ApplicationFilterMessage(TMsg& msg) {
    if (!Application->OnMessage) return false;
    bool handled = false;
    Application->OnMessage(msg, handled);
    return handled;
}

void MouseControlChanged(TControl* control) {
    auto& h = Hints();
    if (control == h.control) return;
    Application->HideHint();
    h.control = control;
    // The application's hint follows the mouse whether or not hints show in windows.
    AnsiString hint;
    for (const TControl* c = control; c && hint.empty(); c = c->Parent()) hint = c->Hint();
    Guarded(Application, [&] { Application->SetHint(GetLongHint(hint)); });
    if (h.control != control) return;
    if (!control || !Application->ShowHint() || !control->ShowHint()) return;
    if (!h.showTimer) {
        h.showTimer = new QTimer;
        h.showTimer->setSingleShot(true);
        QObject::connect(h.showTimer, &QTimer::timeout, [] {
            // Where the last mouse move went: the pointer itself is not known on every platform.
            auto& state = Hints();
            Guarded(Application, [&] {
                Application->ActivateHint(state.mouseKnown ? state.mousePos : Forms::GetCursorPos());
            });
        });
    }
    h.showTimer->start(h.shown ? Application->HintShortPause : Application->HintPause);
}

void MouseButtonActivity() {
    auto& h = Hints();
    if (h.showTimer) h.showTimer->stop();
    Application->HideHint();
}

void MouseMovedOver(TControl* control, int x, int y) {
    auto& h = Hints();
    h.mousePos = control->ClientToScreen({x, y});
    h.mouseKnown = true;
    THintWindow* window = Application->HintWindow();
    if (control != h.control || !window || !window->Active() || h.cursorRect.Contains({x, y})) return;
    // Out of the area the hint was for: it goes, and the control may offer another one soon.
    Application->HideHint();
    if (h.showTimer && Application->ShowHint() && control->ShowHint()) h.showTimer->start(Application->HintShortPause);
}

void ControlDestroyed(TControl* control) {
    auto& h = Hints();
    if (h.control == control) {
        h.control = nullptr;
        if (h.showTimer) h.showTimer->stop();
        if (Application) Guarded(Application, [] { Application->SetHint(""); });
    }
}

} // namespace Vcl::Detail

using Vcl::Detail::Guarded;

// ---- TCustomForm ------------------------------------------------------------------------------------------------
namespace {
// The modal forms whose loops run, the innermost last.
std::vector<TCustomForm*>& ModalLoops() {
    static std::vector<TCustomForm*> forms;
    return forms;
}
} // namespace

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TCanvas>()), brush_(std::make_unique<TBrush>()),
      constraints_(std::make_unique<TSizeConstraints>()) {
    constraints_->OnChange = [this](TObject*) { SetBounds(Left(), Top(), Width(), Height()); };
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TControl::SetVisible(false);
    SetColor(clBtnFace);
    ApplyWindowFlags();
    SetBounds(0, 0, 320, 240);
    Screen->forms_.push_back(this);
}

TCustomForm::~TCustomForm() {
    DoDestroy();
    // Forms that pop up from this one go out of sight and become windows of their own before its
    // window goes.
    for (TCustomForm* f : std::vector<TCustomForm*>(Screen->forms_)) {
        if (f->popupParent_ != this) continue;
        f->SetVisible(false);
        f->SetPopupParent(nullptr);
    }
    auto& forms = Screen->forms_;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    auto& loops = ModalLoops();
    loops.erase(std::remove(loops.begin(), loops.end(), this), loops.end());
    if (Application->MainForm() == this) Application->SetMainForm(nullptr);
}

void TCustomForm::DoCreate() {
    if (created_) return;
    created_ = true;
    if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            Vcl::Detail::HandleCurrentException(this);
        }
    }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
    if (borderStyle_ == Value) return;
    // The class library keeps the client size when the frame changes.
    const int cw = ClientWidth(), ch = ClientHeight();
    borderStyle_ = Value;
    ApplyWindowFlags();
    const TRect f = FrameExtents();
    SetBounds(Left(), Top(), cw + f.Left + f.Right, ch + f.Top + f.Bottom);
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    borderIcons_ = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    formStyle_ = Value;
    ApplyWindowFlags();
}

void TCustomForm::SetPopupParent(TCustomForm* Value) {
    if (Value == this || Value == popupParent_) return;
    popupParent_ = Value;
    ApplyWindowFlags();
}

void TCustomForm::ApplyWindowFlags() {
    QWidget* w = Widget(this);
    Qt::WindowFlags f;
    switch (borderStyle_) {
    case bsToolWindow:
    case bsSizeToolWin: f = Qt::Tool; break;
    case bsDialog: f = Qt::Dialog; break;
    default: f = Qt::Window; break;
    }
    if (borderStyle_ == bsNone) {
        f |= Qt::FramelessWindowHint;
    } else {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderIcons_.Contains(biSystemMenu)) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        const bool framedWindow = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
        if (framedWindow && borderIcons_.Contains(biMinimize)) f |= Qt::WindowMinimizeButtonHint;
        if (framedWindow && borderIcons_.Contains(biMaximize)) f |= Qt::WindowMaximizeButtonHint;
    }
    if (formStyle_ == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
    // A frameless form that pops up from another is a tool window of it: no task-bar entry, above
    // its parent, and not shut out while the parent is modal.
    QWidget* parent = popupParent_ ? Widget(popupParent_) : Parent() ? w->parentWidget() : nullptr;
    if (parent && borderStyle_ == bsNone) f = (f & ~Qt::WindowType_Mask) | Qt::Tool;
    if (w->windowFlags() == f && w->parentWidget() == parent) return;
    const bool wasVisible = w->isVisible();
    // Qt makes a new native window for new flags; it has to be shown again.
    w->setParent(parent, f);
    UpdateWindowBounds();
    if (wasVisible) w->show();
}

namespace {
// The frames the window manager drew around shown windows, by border style: a hidden window gets
// the frame it will have, not the classic one, so its outer size holds when it is shown.
std::map<TFormBorderStyle, TRect>& SeenFrames() {
    static std::map<TFormBorderStyle, TRect> frames;
    return frames;
}
} // namespace

TRect TCustomForm::FrameExtents() const {
    const QWidget* w = Widget(this);
    // Whatever Qt remembers of an earlier frame, a frameless window has none.
    if (borderStyle_ == bsNone) return {0, 0, 0, 0};
    if (w->isVisible() && !OffscreenPlatform()) {
        const QRect frame = w->frameGeometry(), client = w->geometry();
        if (frame != client) {
            const TRect seen{client.x() - frame.x(), client.y() - frame.y(),
                             (frame.x() + frame.width()) - (client.x() + client.width()),
                             (frame.y() + frame.height()) - (client.y() + client.height())};
            SeenFrames()[borderStyle_] = seen;
            return seen;
        }
    }
    if (borderStyle_ != bsNone) {
        const auto seen = SeenFrames().find(borderStyle_);
        if (seen != SeenFrames().end()) return seen->second;
    }
    // The classic frame at 96 dots per inch: sizing border 4, fixed border 3, caption 19 (tool
    // windows 16).
    const int caption = GetSystemMetrics(SM_CYCAPTION), small = GetSystemMetrics(SM_CYSMCAPTION);
    const int sizing = GetSystemMetrics(SM_CXFRAME), fixed = GetSystemMetrics(SM_CXDLGFRAME);
    switch (borderStyle_) {
    case bsNone: return {0, 0, 0, 0};
    case bsSingle:
    case bsDialog: return {fixed, fixed + caption, fixed, fixed};
    case bsSizeable: return {sizing, sizing + caption, sizing, sizing};
    case bsToolWindow: return {fixed, fixed + small, fixed, fixed};
    case bsSizeToolWin: return {sizing, sizing + small, sizing, sizing};
    }
    return {0, 0, 0, 0};
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const TSizeConstraints* c = constraints_.get();
    if (c && c->MaxWidth() > 0) AWidth = std::min(AWidth, c->MaxWidth());
    if (c && c->MaxHeight() > 0) AHeight = std::min(AHeight, c->MaxHeight());
    if (c) AWidth = std::max(AWidth, c->MinWidth());
    if (c) AHeight = std::max(AHeight, c->MinHeight());
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

TRect TCustomForm::ClientRect() const {
    const TRect f = FrameExtents();
    return {0, 0, std::max(0, width_ - f.Left - f.Right), std::max(0, height_ - f.Top - f.Bottom)};
}

TPoint TCustomForm::ClientOrigin() const {
    const QWidget* w = Widget(this);
    // Where the window really is (the offscreen platform, too, may put a thin frame around it), so
    // screen points of Qt's events and of the controls agree.
    if (w->isVisible()) {
        const QPoint p = w->mapToGlobal(QPoint(0, 0));
        return {p.x(), p.y()};
    }
    const TRect f = FrameExtents();
    return {left_ + f.Left, top_ + f.Top};
}

void TCustomForm::UpdateWindowBounds() {
    QWidget* w = Widget(this);
    const TRect f = FrameExtents();
    sizedForFrame_ = f;
    const int cw = std::max(0, width_ - f.Left - f.Right), ch = std::max(0, height_ - f.Top - f.Bottom);
    const bool fixedSize = borderStyle_ == bsSingle || borderStyle_ == bsDialog || borderStyle_ == bsToolWindow;
    if (fixedSize) {
        w->setFixedSize(cw, ch);
    } else {
        // The user's sizing keeps to the constraints too.
        const TSizeConstraints* c = constraints_.get();
        const int fw = f.Left + f.Right, fh = f.Top + f.Bottom;
        w->setMinimumSize(c ? std::max(0, c->MinWidth() - fw) : 0, c ? std::max(0, c->MinHeight() - fh) : 0);
        w->setMaximumSize(c && c->MaxWidth() > 0 ? std::max(0, c->MaxWidth() - fw) : QWIDGETSIZE_MAX,
                          c && c->MaxHeight() > 0 ? std::max(0, c->MaxHeight() - fh) : QWIDGETSIZE_MAX);
        w->resize(cw, ch);
    }
    // Without a window manager there is no frame around the window: the client goes where the frame
    // would leave it, so screen positions agree with ClientOrigin.
    if (OffscreenPlatform()) {
        w->move(left_ + f.Left, top_ + f.Top);
    } else {
        PlaceWindow(w);
        placeTries_ = 3;
        placeUntilMs_ = SteadyMs() + 1000;
    }
}

void TCustomForm::PlaceWindow(QWidget* w) {
    // A frameless window is placed by its client area: Qt may still count the frame it had.
    if (borderStyle_ == bsNone) w->setGeometry(left_, top_, w->width(), w->height());
    else w->move(left_, top_);
}

void TCustomForm::WindowGeometryChanged() {
    QWidget* w = Widget(this);
    const TRect f = FrameExtents();
    if (w->isVisible() && !OffscreenPlatform() && borderStyle_ != bsNone && w->frameGeometry() == w->geometry())
        return;   // not framed by the window manager yet: the rectangle the program set still holds
    // Only the window manager's answer to the program's own placement is corrected. What comes later
    // is the user's dragging of the frame: asked back, the window and what Qt believes of it part,
    // and its contents keep the old size.
    if (placeTries_ > 0 && SteadyMs() > placeUntilMs_) placeTries_ = 0;
    if (placeTries_ > 0 && w->isVisible() && !OffscreenPlatform()) {
        // A new native window can first land where an old frame or none would put it: the place
        // the program set is asked for again, a few times at most.
        const QPoint at = borderStyle_ == bsNone ? w->geometry().topLeft() : w->frameGeometry().topLeft();
        const QSize size(std::max(0, width_ - f.Left - f.Right), std::max(0, height_ - f.Top - f.Bottom));
        if (at != QPoint(left_, top_) || w->geometry().size() != size) {
            --placeTries_;
            w->resize(size);
            PlaceWindow(w);
            return;
        }
        placeTries_ = 0;
    }
    if (f != sizedForFrame_ && w->isVisible() && !OffscreenPlatform()) {
        // The window manager's frame differs from the one the window was sized for: the outer
        // rectangle the program asked for holds, the client area takes what the frame leaves.
        UpdateWindowBounds();
        return;
    }
    const QRect client = w->geometry();
    int left = left_, top = top_;
    if (!OffscreenPlatform()) {
        left = w->frameGeometry().x();
        top = w->frameGeometry().y();
    }
    const int width = client.width() + f.Left + f.Right, height = client.height() + f.Top + f.Bottom;
    const bool sized = width != width_ || height != height_;
    const bool moved = left != left_ || top != top_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (sized) Perform(WM_SIZE, SIZE_RESTORED, MAKELPARAM(ClientWidth(), ClientHeight()));
    if (moved) Perform(WM_MOVE, 0, MAKELPARAM(left_, top_));
}

TWindowState TCustomForm::WindowState() const {
    const QWidget* w = Widget(this);
    if (w->isMinimized()) return wsMinimized;
    if (w->isMaximized()) return wsMaximized;
    return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState Value) {
    QWidget* w = Widget(this);
    Qt::WindowStates s = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (Value == wsMinimized) s |= Qt::WindowMinimized;
    if (Value == wsMaximized) s |= Qt::WindowMaximized;
    w->setWindowState(s);
}

void TCustomForm::SetAlphaBlend(bool Value) {
    alphaBlend_ = Value;
    Widget(this)->setWindowOpacity(Value ? alphaBlendValue_ / 255.0 : 1.0);
}

void TCustomForm::SetAlphaBlendValue(Byte Value) {
    alphaBlendValue_ = Value;
    if (alphaBlend_) Widget(this)->setWindowOpacity(Value / 255.0);
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
    activeControl_ = Control;
    if (Control && Visible()) Widget(Control)->setFocus(Qt::OtherFocusReason);
}

bool TCustomForm::Active() const { return Widget(this)->isActiveWindow(); }

void TCustomForm::PlaceOnShow() {
    if (placed_) return;
    placed_ = true;
    const TRect work = Screen->WorkAreaRect();
    int x = Left(), y = Top();
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        x = (Screen->Width() - Width()) / 2;
        y = (Screen->Height() - Height()) / 2;
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* center = position_ == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
        if (!center) center = Application->MainForm();
        if (center && center != this) {
            x = center->Left() + (center->Width() - Width()) / 2;
            y = center->Top() + (center->Height() - Height()) / 2;
        } else {
            x = (Screen->Width() - Width()) / 2;
            y = (Screen->Height() - Height()) / 2;
        }
        break;
    }
    case poDefault:
    case poDefaultPosOnly:
        // The platform cascades new windows; here they start near the work area's corner.
        x = work.Left + 24 * static_cast<int>(Screen->FormCount() % 8);
        y = work.Top + 24 * static_cast<int>(Screen->FormCount() % 8);
        break;
    default: break;
    }
    if (x != Left() || y != Top()) SetBounds(x, y, Width(), Height());
}

void TCustomForm::SetVisible(bool Value) {
    QWidget* w = Widget(this);
    if (Value == Visible()) {
        if (Value) {
            if (!OffscreenPlatform()) w->raise();
            w->activateWindow();
        }
        return;
    }
    if (Value) {
        PlaceOnShow();
        TControl::SetVisible(true);
        if (OnShow) OnShow(this);
        UpdateWindowBounds();
        w->show();
        if (!OffscreenPlatform()) w->raise();
        w->activateWindow();
        if (activeControl_) Widget(activeControl_)->setFocus(Qt::OtherFocusReason);
    } else {
        if (OnHide) OnHide(this);
        TControl::SetVisible(false);
        w->hide();
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application->MainForm() == this) Application->Terminate();
    else if (action == caHide) Hide();
    else if (action == caMinimize) SetWindowState(wsMinimized);
    else Release();
}

TCustomForm* Vcl::Detail::OpeningModalForm() {
    auto& loops = ModalLoops();
    for (auto it = loops.rbegin(); it != loops.rend(); ++it)
        if ((*it)->Visible()) return *it;
    return nullptr;
}

QWidget* Vcl::Detail::DialogParentWidget() {
    TCustomForm* opener = OpeningModalForm();
    return opener ? Widget(opener) : nullptr;
}

int TCustomForm::ShowModal() {
    if (Visible()) throw EComponentError("Ein sichtbares Fenster kann nicht modal gemacht werden");
    QWidget* w = Widget(this);
    QPointer<QWidget> guard(w);
    modalResult_ = mrNone;
    modal_ = true;
    // A dialog opened from a dialog belongs to it (the window manager keeps it above), for as long as
    // it shows; alone, it would belong to no window, and could open behind the other.
    TCustomForm* opener = Vcl::Detail::OpeningModalForm();
    const bool lent = opener && opener != this && !popupParent_ && !Parent();
    if (lent) SetPopupParent(opener);
    ModalLoops().push_back(this);
    w->setWindowModality(Qt::ApplicationModal);
    ScopeExit restore([this, widget = guard, lent] {
        auto& loops = ModalLoops();
        loops.erase(std::remove(loops.begin(), loops.end(), this), loops.end());
        if (!widget) return;
        modal_ = false;
        widget->setWindowModality(Qt::NonModal);
        if (lent) SetPopupParent(nullptr);
    });
    Show();
    Vcl::Detail::ModalFormShown(this);
    do {
        Application->HandleMessage();
        if (!guard) return mrCancel;
        if (Application->Terminated()) {
            modalResult_ = mrCancel;
        } else if (modalResult_ != mrNone) {
            TCloseAction action = caNone;
            if (CloseQuery()) {
                action = caHide;
                DoClose(action);
            }
            if (action == caNone) modalResult_ = mrNone;
            else if (action == caFree) Release();
        }
        if (!Visible() && modalResult_ == mrNone) modalResult_ = mrCancel;
    } while (modalResult_ == mrNone);
    const TModalResult result = modalResult_;
    Hide();
    return result;
}

void TCustomForm::Release() {
    // Posted, so the handler that asked has returned before the form goes.
    PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::TextChanged() {
    Widget(this)->setWindowTitle(QString::fromStdString(Caption()));
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TCustomForm::EraseBackground(TMessage& Message) {
    if (brush_ && brush_->Style() == bsClear) return;
    TWinControl::EraseBackground(Message);
}

void TCustomForm::PaintMessage(TMessage& Message) {
    auto* painter = reinterpret_cast<QPainter*>(Message.WParam);
    if (!painter) {
        TWinControl::PaintMessage(Message);
        return;
    }
    GraphicsQt::CanvasPaintScope scope(canvas_.get(), painter);
    Paint();
}

void TCustomForm::DialogKey(TMessage& Message) {
    const bool enter = Message.CharCode() == VK_RETURN;
    // The button that answers: the focused button for Return, else the default (Return) or the
    // cancel button (Escape).
    std::function<TButton*(TWinControl*)> find = [&](TWinControl* parent) -> TButton* {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            if (auto* b = dynamic_cast<TButton*>(c); b && b->Visible() && b->Enabled()) {
                if (enter ? b->Default : b->Cancel) return b;
            }
            if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->Visible()) {
                if (TButton* found = find(wc)) return found;
            }
        }
        return nullptr;
    };
    if (auto* focused = dynamic_cast<TButton*>(activeControl_); enter && focused && focused->Focused()) {
        focused->Click();
        Message.Result = 1;
        return;
    }
    if (TButton* b = find(this)) {
        b->Click();
        Message.Result = 1;
    }
}

void TCustomForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        delete this;
        return;
    case WM_ACTIVATE:
        if (Message.WParam == WA_INACTIVE) Deactivate();
        else Activate();
        return;
    case CM_DIALOGKEY:
        DialogKey(Message);
        return;
    default:
        TWinControl::WndProc(Message);
        return;
    }
}

// ---- THintWindow -------------------------------------------------------------------------------------------------
THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    SetColor(clInfoBk);
    QWidget* w = Widget(this);
    w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
}

void THintWindow::UpdateWindowBounds() {
    // A hint is a window of its own: its bounds are screen coordinates.
    Widget(this)->setGeometry(left_, top_, width_, height_);
}

TRect THintWindow::CalcHintRect(int MaxWidth, const AnsiString& Hint, void*) {
    Canvas()->SetFont(Font());
    TRect r{0, 0, MaxWidth, 0};
    Canvas()->DrawText(Hint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r.Right += 6;
    r.Bottom += 2;
    return r;
}

void THintWindow::ActivateHint(TRect Rect, const AnsiString& Hint) {
    SetCaption(Hint);
    // Kept on the screen: a hint at the right or bottom edge moves in.
    const int sw = Screen->Width(), sh = Screen->Height();
    if (Rect.Right > sw) OffsetRect(Rect, sw - Rect.Right, 0);
    if (Rect.Bottom > sh) OffsetRect(Rect, 0, sh - Rect.Bottom);
    if (Rect.Left < 0) OffsetRect(Rect, -Rect.Left, 0);
    if (Rect.Top < 0) OffsetRect(Rect, 0, -Rect.Top);
    SetBoundsRect(Rect);
    QWidget* w = Widget(this);
    w->show();
    if (!OffscreenPlatform()) w->raise();
    Invalidate();
}

void THintWindow::ReleaseHandle() { Widget(this)->hide(); }

bool THintWindow::Active() const { return Widget(this)->isVisible(); }

void THintWindow::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(clBlack);
    c->FrameRect(r);
    InflateRect(r, -2, -1);
    c->Brush()->SetStyle(bsClear);
    c->SetFont(Font());
    c->DrawText(Caption(), r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// ---- TApplication ----------------------------------------------------------------------------------------------
TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
    Vcl::Detail::EnsureQtApp();
    if (!handle_) {
        // The application's own window takes posted messages meant for no form.
        handle_ = AllocateHWnd([](TMessage&) {});
    }
}

void TApplication::MainFormCreated() { Vcl::Detail::WatchSessionEnd(); }

void TApplication::Run() {
    Initialize();
    // A program whose end came during its start shows nothing more.
    if (mainForm_ && ShowMainForm && !terminated_) mainForm_->Show();
    Vcl::Detail::WatchSessionEnd();
    Vcl::Detail::AnswerSessionEnd();
    while (!terminated_) HandleMessage();
    Vcl::Detail::UnwatchSessionEnd();
    // The program ends with the loop: the forms go now, each with its OnDestroy.
    HideHint();
    DestroyComponents();
}

namespace {
bool ProcessWaiting() {
    bool did = Classes::CheckSynchronize();
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) {
        did = d->processEvents(QEventLoop::AllEvents) || did;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    did = Classes::CheckSynchronize() || did;
    return did;
}
} // namespace

void TApplication::ProcessMessages() {
    if (!Vcl::Detail::EnsureQtApp()) return;
    // Until the queue is empty; a bound keeps a handler that posts itself again from locking the caller.
    for (int round = 0; round < 100 && ProcessWaiting(); ++round) {
    }
}

void TApplication::HandleMessage() {
    if (!Vcl::Detail::EnsureQtApp()) return;
    if (ProcessWaiting()) return;
    Idle();
    if (terminated_) return;
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
        d->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    Classes::CheckSynchronize();
}

void TApplication::Idle() {
    bool done = true;
    if (OnIdle) {
        Guarded(this, [&] { OnIdle(this, done); });
    }
}

void TApplication::Terminate() {
    terminated_ = true;
    if (QCoreApplication::instance()) {
        if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()))
            d->wakeUp();
    }
}

AnsiString TApplication::ExeName() const {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath().toStdString();
    return SysUtils::ParamStr(0);
}

bool TApplication::Active() const {
    return QCoreApplication::instance() && QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void TApplication::HandleException(TObject* Sender) {
    const auto report = [&](SysUtils::Exception& e) {
        if (OnException) OnException(Sender, &e);
        else ShowException(&e);
    };
    try {
        throw;
    } catch (SysUtils::EAbort&) {
    } catch (SysUtils::Exception& e) {
        report(e);
    } catch (std::exception& e) {
        SysUtils::Exception wrapped(e.what());
        report(wrapped);
    } catch (...) {
        SysUtils::Exception wrapped("Unbekannte Ausnahme");
        report(wrapped);
    }
}

void TApplication::ShowException(SysUtils::Exception* E) {
    AnsiString message = E->Message;
    if (!message.empty() && message.back() > '.') message += '.';
    MessageBox(message, Title, MB_OK | MB_ICONHAND);
}

int TApplication::MessageBox(const AnsiString& Text, const AnsiString& Caption, int Flags) {
    return Dialogs::PlatformMessageBox(Text, Caption.empty() ? Title : Caption, static_cast<UINT>(Flags));
}

void TApplication::SetShowHint(bool Value) {
    if (showHint_ == Value) return;
    showHint_ = Value;
    HideHint();
    // Turning hints on again makes the window anew, with the class set meanwhile.
    // Its end nulls the reference.
    delete hintWindow_.Get();
}

void TApplication::SetHint(const AnsiString& Value) {
    if (hint_ == Value) return;
    hint_ = Value;
    if (OnHint) {
        OnHint(this);
        return;
    }
    THintAction action(Value);
    TCustomForm* forms[] = {Screen ? Screen->ActiveForm() : nullptr, mainForm_};
    if (forms[1] == forms[0]) forms[1] = nullptr;
    for (TCustomForm* f : forms)
        if (f && f->Perform(CM_ACTIONEXECUTE, 0, reinterpret_cast<LPARAM>(&action))) return;
}

void TApplication::HideHint() {
    auto& h = Hints();
    if (h.hideTimer) h.hideTimer->stop();
    if (hintWindow_ && hintWindow_->Active()) hintWindow_->ReleaseHandle();
}

void TApplication::CancelHint() {
    auto& h = Hints();
    HideHint();
    h.shown = false;
    if (h.control && h.showTimer && showHint_) h.showTimer->start(HintPause);
}

void TApplication::ActivateHint(const TPoint& CursorPos) {
    auto& h = Hints();
    TControl* control = h.control;
    if (!control || !showHint_ || !control->ShowHint()) return;
    THintInfo info;
    info.HintControl = control;
    info.HintPos = {CursorPos.X, CursorPos.Y + 20};
    info.HintMaxWidth = Screen->Width();
    info.HintColor = HintColor;
    info.CursorRect = control->ClientRect();
    info.CursorPos = control->ScreenToClient(CursorPos);
    info.HintStr = ShortHint(control->Hint());
    info.HideTimeout = HintHidePause;
    bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
    if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
    if (!canShow || info.HintStr.empty()) return;
    // The window is one of the application's components and goes with them at the program's end,
    // before the forms whose components may still ask for hints: the reference goes with it.
    if (!hintWindow_) hintWindow_ = HintWindowClass ? HintWindowClass(this) : new THintWindow(this);
    hintWindow_->SetColor(info.HintColor);
    TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    OffsetRect(r, info.HintPos.X, info.HintPos.Y);
    hintWindow_->ActivateHint(r, info.HintStr);
    h.shown = true;
    h.cursorRect = info.CursorRect;
    if (info.HideTimeout > 0) {
        if (!h.hideTimer) {
            h.hideTimer = new QTimer;
            h.hideTimer->setSingleShot(true);
            QObject::connect(h.hideTimer, &QTimer::timeout, [] { Application->HideHint(); });
        }
        h.hideTimer->start(info.HideTimeout);
    }
}

AnsiString GetShortHint(const AnsiString& Hint) {
    const auto bar = Hint.find('|');
    return bar == AnsiString::npos ? Hint : Hint.substr(0, bar);
}

AnsiString GetLongHint(const AnsiString& Hint) {
    const auto bar = Hint.find('|');
    return bar == AnsiString::npos ? Hint : Hint.substr(bar + 1);
}

void Forms::GetStatusFont(TFont* Font) {
    if (!Vcl::Detail::EnsureQtApp()) return;
    // Qt keeps the platform theme's status-bar font as the font of its status bar class.
    const QFont f = QApplication::font("QStatusBar");
    Font->SetName(f.family().toStdString());
    const double points = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / 96.0;
    Font->SetSize(std::max(1, static_cast<int>(std::lround(points))));
    TFontStyles style;
    if (f.bold()) style << fsBold;
    if (f.italic()) style << fsItalic;
    Font->SetStyle(style);
}

int Forms::CaptionWidth(const AnsiString& Caption) {
    if (!Vcl::Detail::EnsureQtApp()) return 0;
    // The window manager draws the title itself, commonly in a bold face of the desktop's title font,
    // with the icon at one end and minimise, maximise and close at the other.
    QFont f = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    f.setBold(true);
    const int text = QFontMetrics(f).horizontalAdvance(QString::fromStdString(Caption));
    const int button = GetSystemMetrics(SM_CYCAPTION) + 5;
    return text + 4 * button + 2 * 8;
}

// ---- TScreen ---------------------------------------------------------------------------------------------------
namespace {
QRect ScreenGeometry(bool available) {
    if (!Vcl::Detail::EnsureQtApp()) return {};
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return {};
    return available ? s->availableGeometry() : s->geometry();
}
} // namespace

int TScreen::Width() const { return ScreenGeometry(false).width(); }
int TScreen::Height() const { return ScreenGeometry(false).height(); }

TStrings* TScreen::Fonts() {
    if (!fonts_) {
        fonts_ = std::make_unique<TStringList>();
        if (Vcl::Detail::EnsureQtApp())
            for (const QString& family : QFontDatabase::families()) fonts_->Add(family.toStdString());
    }
    return fonts_.get();
}

TRect TScreen::WorkAreaRect() const {
    const QRect r = ScreenGeometry(true);
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

int TScreen::DesktopWidth() const {
    if (!Vcl::Detail::EnsureQtApp()) return 0;
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->virtualGeometry().width() : 0;
}

int TScreen::DesktopHeight() const {
    if (!Vcl::Detail::EnsureQtApp()) return 0;
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->virtualGeometry().height() : 0;
}

void TScreen::SetCursor(TCursor Value) {
    if (cursor_ == Value) return;
    if (!Vcl::Detail::EnsureQtApp()) return;
    if (cursor_ != crDefault) QApplication::restoreOverrideCursor();
    cursor_ = Value;
    if (Value != crDefault) {
        // The control cursors' mapping lives with the controls; the common ones are enough here.
        Qt::CursorShape shape = Qt::ArrowCursor;
        switch (Value) {
        case crHourGlass:
        case crSQLWait: shape = Qt::WaitCursor; break;
        case crAppStart: shape = Qt::BusyCursor; break;
        case crHandPoint: shape = Qt::PointingHandCursor; break;
        case crSizeAll: shape = Qt::SizeAllCursor; break;
        case crIBeam: shape = Qt::IBeamCursor; break;
        case crCross: shape = Qt::CrossCursor; break;
        case crNone: shape = Qt::BlankCursor; break;
        default: break;
        }
        QApplication::setOverrideCursor(QCursor(shape));
    }
}

TCustomForm* TScreen::ActiveForm() const {
    if (!QCoreApplication::instance()) return nullptr;
    QWidget* active = QApplication::activeWindow();
    for (TCustomForm* f : forms_) {
        if (Widget(f) == active) return f;
    }
    return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
    if (!QCoreApplication::instance()) return nullptr;
    return dynamic_cast<TWinControl*>(Vcl::Detail::ControlOfWidget(QApplication::focusWidget()));
}

TPoint TScreen::CursorPos() const { return Forms::GetCursorPos(); }

TPoint Forms::GetCursorPos() {
    if (!Vcl::Detail::EnsureQtApp()) return {};
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}
