// Window styles and layered windows over Qt's top-level widgets. A form's style bits are read from its
// border style; the extended bits and the layered look are kept here per handle. A colour key becomes
// the window's shape (an X11 shape needs no compositor and lets the mouse through, as a colour key
// does); the alpha becomes the window's opacity.
#include "WinUser.h"

#include <QApplication>
#include <QBitmap>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <map>
#include <mutex>

#include "AppEvnts.h"
#include "Forms.h"
#include "VclPrivate.h"

namespace {

struct Layered {
    LONG exStyle = 0;
    bool exKnown = false;
    bool attributes = false;   // SetLayeredWindowAttributes was called since the window became layered
    COLORREF key = 0;
    Byte alpha = 255;
    DWORD flags = 0;
};

std::mutex stateMutex;
std::map<HWND, Layered>& States() {
    static std::map<HWND, Layered> states;
    return states;
}

bool Offscreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

TCustomForm* FormOf(HWND wnd) {
    if (!wnd || !Screen) return nullptr;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        if (Screen->Forms(i)->Handle() == wnd) return Screen->Forms(i);
    }
    return nullptr;
}

QWidget* WidgetOf(HWND wnd) {
    TCustomForm* f = FormOf(wnd);
    return f ? Vcl::Detail::HandleWidget(f) : nullptr;
}

bool IsToolBorder(TFormBorderStyle s) { return s == bsToolWindow || s == bsSizeToolWin; }

LONG StyleOf(const TCustomForm* f) {
    LONG style = 0;
    switch (f->BorderStyle()) {
    case bsNone: break;
    case bsSingle:
    case bsDialog:
    case bsToolWindow: style = WS_CAPTION; break;
    case bsSizeable:
    case bsSizeToolWin: style = WS_CAPTION | WS_THICKFRAME; break;
    }
    if (f->BorderStyle() != bsNone && f->BorderIcons().Contains(biSystemMenu)) style |= WS_SYSMENU;
    if (f->Visible()) style |= WS_VISIBLE;
    return style;
}

LONG ExStyleOf(HWND wnd, const TCustomForm* f) {
    std::lock_guard<std::mutex> lock(stateMutex);
    auto it = States().find(wnd);
    if (it != States().end() && it->second.exKnown) return it->second.exStyle;
    return IsToolBorder(f->BorderStyle()) ? WS_EX_TOOLWINDOW : 0;
}

TFormBorderStyle BorderFor(LONG style, bool tool) {
    const bool caption = (style & WS_CAPTION) != 0, sizing = (style & WS_THICKFRAME) != 0;
    if (!caption && !sizing) return bsNone;
    if (sizing) return tool ? bsSizeToolWin : bsSizeable;
    return tool ? bsToolWindow : bsSingle;
}

// A frameless form that is a tool window stays off the task bar as a framed one does.
void ApplyToolFlag(TCustomForm* f, bool tool) {
    QWidget* w = Vcl::Detail::HandleWidget(f);
    if (w->windowFlags().testFlag(Qt::Tool) == tool) return;
    const bool visible = w->isVisible();
    const QRect geometry = w->geometry();
    Qt::WindowFlags flags = w->windowFlags() & ~Qt::WindowType_Mask;
    w->setWindowFlags(flags | (tool ? Qt::Tool : Qt::Window));
    w->setGeometry(geometry);
    if (visible) w->show();
}

// ---- the shape of colour-keyed windows --------------------------------------------------------------------
class ShapeKeeper : public QObject {
public:
    static ShapeKeeper& Instance() {
        static ShapeKeeper* keeper = new ShapeKeeper;
        return *keeper;
    }

    void Watch(QWidget* w, QRgb key) {
        auto& e = entries_[w];
        const bool changed = !e.timer || e.key != key;
        e.key = key;
        e.widget = w;
        if (!e.timer) {
            e.timer = new QTimer(this);
            e.timer->setSingleShot(true);
            e.timer->setInterval(40);
            connect(e.timer, &QTimer::timeout, this, [this, w] { Update(w); });
            connect(w, &QObject::destroyed, this, [this, w] { Forget(w); });
        }
        if (!installed_) {
            QCoreApplication::instance()->installEventFilter(this);
            installed_ = true;
        }
        if (changed) Update(w);
    }

    void Forget(QWidget* w) {
        auto it = entries_.find(w);
        if (it == entries_.end()) return;
        delete it->second.timer;
        if (QWidget* widget = it->second.widget) {
            widget->clearMask();
            // A window whose frame just changed is not yet made anew: the widget only notes an empty
            // mask then and never passes it on, so the native window is told itself.
            if (QWindow* native = widget->windowHandle()) native->setMask(QRegion());
        }
        entries_.erase(it);
    }

    void Update(QWidget* w) {
        auto it = entries_.find(w);
        if (it == entries_.end() || !it->second.widget) return;
        Entry& e = it->second;
        if (w->width() <= 0 || w->height() <= 0) return;
        grabbing_ = true;
        QImage image = w->grab().toImage();
        grabbing_ = false;
        if (image.size() != w->size()) image = image.scaled(w->size());
        image = image.convertToFormat(QImage::Format_RGB32);
        // In the bitmap the key's pixels come out clear: they are not part of the shape.
        const QImage mask = image.createMaskFromColor(e.key | 0xFF000000u, Qt::MaskInColor);
        QRegion shape(QBitmap::fromImage(mask));
        e.shape = shape;
        // An empty region would take the shape away altogether; a window of nothing but key colour
        // keeps a single pixel outside its client area instead.
        const QRegion applied = shape.isEmpty() ? QRegion(w->width(), w->height(), 1, 1) : shape;
        if (w->mask() != applied) w->setMask(applied);
    }

    QRegion Shape(QWidget* w) const {
        auto it = entries_.find(w);
        return it == entries_.end() ? QRegion() : it->second.shape;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (grabbing_ || entries_.empty()) return false;
        const QEvent::Type t = event->type();
        if (t != QEvent::Paint && t != QEvent::UpdateRequest && t != QEvent::Resize && t != QEvent::Show)
            return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w) return false;
        auto it = entries_.find(w->window());
        if (it != entries_.end() && it->second.timer && !it->second.timer->isActive()) it->second.timer->start();
        return false;
    }

private:
    struct Entry {
        QPointer<QWidget> widget;
        QRgb key = 0;
        QTimer* timer = nullptr;
        QRegion shape;
    };
    std::map<QWidget*, Entry> entries_;
    bool installed_ = false;
    bool grabbing_ = false;
};

QRgb KeyColour(COLORREF c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Brings the widget to the look its layered state asks for (main thread).
void ApplyLayered(HWND wnd) {
    QWidget* w = WidgetOf(wnd);
    if (!w) return;
    Layered s;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        auto it = States().find(wnd);
        if (it != States().end()) s = it->second;
    }
    const bool layered = (s.exStyle & WS_EX_LAYERED) != 0;
    if (!layered) {
        ShapeKeeper::Instance().Forget(w);
        w->setWindowOpacity(1.0);
        return;
    }
    // A layered window without its attributes shows nothing yet.
    if (!s.attributes) {
        w->setWindowOpacity(0.0);
        return;
    }
    w->setWindowOpacity((s.flags & LWA_ALPHA) ? s.alpha / 255.0 : 1.0);
    if (s.flags & LWA_COLORKEY) ShapeKeeper::Instance().Watch(w, KeyColour(s.key));
    else ShapeKeeper::Instance().Forget(w);
}

} // namespace

LONG GetWindowLong(HWND hWnd, int nIndex) {
    TCustomForm* f = FormOf(hWnd);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (nIndex == GWL_STYLE) return StyleOf(f);
    if (nIndex == GWL_EXSTYLE) return ExStyleOf(hWnd, f);
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

LONG SetWindowLong(HWND hWnd, int nIndex, LONG dwNewLong) {
    TCustomForm* f = FormOf(hWnd);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (nIndex == GWL_STYLE) {
        const LONG old = StyleOf(f);
        const LONG ex = ExStyleOf(hWnd, f);
        {
            // The extended style is the window's own from now on, whatever its frame becomes.
            std::lock_guard<std::mutex> lock(stateMutex);
            Layered& s = States()[hWnd];
            s.exStyle = ex;
            s.exKnown = true;
        }
        const bool tool = (ex & WS_EX_TOOLWINDOW) != 0;
        const TFormBorderStyle border = BorderFor(dwNewLong, tool);
        if (border != f->BorderStyle()) {
            // The window keeps its outer rectangle: the client area takes the frame's room.
            const TRect bounds = f->BoundsRect();
            f->SetBorderStyle(border);
            f->SetBoundsRect(bounds);
            ApplyToolFlag(f, tool);
        }
        if ((dwNewLong & WS_VISIBLE) != (old & WS_VISIBLE)) f->SetVisible((dwNewLong & WS_VISIBLE) != 0);
        return old;
    }
    if (nIndex == GWL_EXSTYLE) {
        const LONG old = ExStyleOf(hWnd, f);
        {
            std::lock_guard<std::mutex> lock(stateMutex);
            Layered& s = States()[hWnd];
            s.exStyle = dwNewLong;
            s.exKnown = true;
            if (!(dwNewLong & WS_EX_LAYERED)) s.attributes = false;
        }
        if ((old ^ dwNewLong) & WS_EX_TOOLWINDOW) ApplyToolFlag(f, (dwNewLong & WS_EX_TOOLWINDOW) != 0);
        if ((old ^ dwNewLong) & WS_EX_LAYERED) ApplyLayered(hWnd);
        return old;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
    TCustomForm* f = FormOf(hWnd);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const int left = (uFlags & SWP_NOMOVE) ? f->Left() : X, top = (uFlags & SWP_NOMOVE) ? f->Top() : Y;
    const int width = (uFlags & SWP_NOSIZE) ? f->Width() : cx, height = (uFlags & SWP_NOSIZE) ? f->Height() : cy;
    if (left != f->Left() || top != f->Top() || width != f->Width() || height != f->Height())
        f->SetBounds(left, top, width, height);
    QWidget* w = Vcl::Detail::HandleWidget(f);
    if (uFlags & SWP_SHOWWINDOW) {
        if (uFlags & SWP_NOACTIVATE) w->setAttribute(Qt::WA_ShowWithoutActivating);
        f->SetVisible(true);
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    if (uFlags & SWP_HIDEWINDOW) f->SetVisible(false);
    if (!(uFlags & SWP_NOZORDER) && !Offscreen() && w->isVisible()) {
        if (hWndInsertAfter == HWND_BOTTOM) w->lower();
        else if (hWndInsertAfter == HWND_TOP || hWndInsertAfter == HWND_TOPMOST) w->raise();
    }
    return TRUE;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    if (Application && hWnd == Application->Handle() && hWnd) {
        const bool wasVisible = !AppEvnts::ApplicationMinimized();
        if (nCmdShow == SW_MINIMIZE || nCmdShow == SW_SHOWMINIMIZED) AppEvnts::MinimizeApplication();
        else if (nCmdShow == SW_RESTORE || nCmdShow == SW_SHOW || nCmdShow == SW_SHOWNORMAL)
            AppEvnts::RestoreApplication();
        // SW_HIDE: the application's own window is never on screen; its forms stay as they are.
        return wasVisible;
    }
    TCustomForm* f = FormOf(hWnd);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const bool was = f->Visible();
    QWidget* w = Vcl::Detail::HandleWidget(f);
    switch (nCmdShow) {
    case SW_HIDE: f->SetVisible(false); break;
    case SW_SHOWNOACTIVATE:
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        f->SetVisible(true);
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED: f->SetWindowState(wsMinimized); break;
    case SW_MAXIMIZE: f->SetWindowState(wsMaximized); break;
    case SW_RESTORE:
        f->SetWindowState(wsNormal);
        f->SetVisible(true);
        break;
    default: f->SetVisible(true); break;
    }
    return was;
}

BOOL IsWindowVisible(HWND hWnd) {
    TCustomForm* f = FormOf(hWnd);
    return f && f->Visible() && !AppEvnts::ApplicationMinimized();
}

BOOL SetForegroundWindow(HWND hWnd) {
    TCustomForm* f = FormOf(hWnd);
    if (!f) return FALSE;
    if (AppEvnts::ApplicationMinimized()) AppEvnts::RestoreApplication();
    if (!f->Visible()) return FALSE;
    QWidget* w = Vcl::Detail::HandleWidget(f);
    if (!Offscreen()) w->raise();
    w->activateWindow();
    return TRUE;
}

BOOL SetLayeredWindowAttributes(HWND hWnd, COLORREF crKey, Byte bAlpha, DWORD dwFlags) {
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        auto it = States().find(hWnd);
        if (it == States().end() || !(it->second.exStyle & WS_EX_LAYERED)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        Layered& s = it->second;
        s.attributes = true;
        s.key = crKey & 0xFFFFFF;
        s.alpha = bAlpha;
        s.flags = dwFlags & (LWA_COLORKEY | LWA_ALPHA);
    }
    if (Classes::IsMainThread()) ApplyLayered(hWnd);
    else Classes::QueueOnMainThread([hWnd] { ApplyLayered(hWnd); });
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hWnd, COLORREF* pcrKey, Byte* pbAlpha, DWORD* pdwFlags) {
    std::lock_guard<std::mutex> lock(stateMutex);
    auto it = States().find(hWnd);
    if (it == States().end() || !(it->second.exStyle & WS_EX_LAYERED) || !it->second.attributes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pcrKey) *pcrKey = it->second.key;
    if (pbAlpha) *pbAlpha = it->second.alpha;
    if (pdwFlags) *pdwFlags = it->second.flags;
    return TRUE;
}

std::vector<TRect> WinUser::WindowShape(HWND hWnd) {
    std::vector<TRect> out;
    QWidget* w = WidgetOf(hWnd);
    if (!w) return out;
    for (const QRect& r : ShapeKeeper::Instance().Shape(w))
        out.push_back({r.x(), r.y(), r.x() + r.width(), r.y() + r.height()});
    return out;
}

void WinUser::UpdateWindowShape(HWND hWnd) {
    if (QWidget* w = WidgetOf(hWnd)) ShapeKeeper::Instance().Update(w);
}

Byte WinUser::WindowOpacity(HWND hWnd) {
    QWidget* w = WidgetOf(hWnd);
    if (!w) return 0;
    return static_cast<Byte>(std::lround(w->windowOpacity() * 255.0));
}
