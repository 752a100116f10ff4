#include "CharacterWindow.h"

#include <QApplication>
#include <QBitmap>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <string>

#ifdef ZB_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace Agent::Detail {
namespace {

constexpr Qt::WindowFlags kFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;

constexpr int kBalloonMaxTextWidth = 230;
constexpr int kBalloonMaxLines = 8;
constexpr int kPadding = 8;
constexpr int kTail = 14;

bool Offscreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

// Offscreen windows cannot be raised, and say so each time.
void RaiseWindow(QWidget* w) {
    if (!Offscreen()) w->raise();
}

// ---- compositor ----------------------------------------------------------------------------------------------
CompositorQuery& Query() {
    static CompositorQuery query;
    return query;
}

// X11 names the compositing manager of screen n as the owner of the selection _NET_WM_CM_Sn.
bool X11CompositorRuns() {
#ifdef ZB_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return false;
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const std::string d = display;
        const auto colon = d.rfind(':');
        const auto dot = d.find('.', colon == std::string::npos ? 0 : colon);
        if (dot != std::string::npos) screen = std::atoi(d.c_str() + dot + 1);
    }
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    if (!atom) return false;
    bool runs = false;
    if (atom->atom != XCB_NONE) {
        if (xcb_get_selection_owner_reply_t* owner =
                xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr)) {
            runs = owner->owner != XCB_NONE;
            std::free(owner);
        }
    }
    std::free(atom);
    return runs;
#else
    return false;
#endif
}

// ---- stacking --------------------------------------------------------------------------------------------------
// Watches the program's top-level windows come and go. While one of its modal dialogs or menus shows,
// the character's windows give up staying on top and the dialogs and menus are raised over them.
class StackingRule : public QObject {
public:
    // Never destroyed: a character window may still go after the program's static objects have.
    static StackingRule& Get() {
        static StackingRule* rule = new StackingRule;
        return *rule;
    }
    void Add(DesktopWindow* w) {
        if (windows_.empty() && QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
        windows_.push_back(w);
        SetOnTop(w, !down_);
        Schedule();
    }
    void Remove(DesktopWindow* w) {
        windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
        if (windows_.empty() && QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }
    bool SteppedDown() const { return down_; }
    void Raise(DesktopWindow* w) {
        if (down_) RaiseCovering();
        else RaiseWindow(w);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if ((e->type() == QEvent::Show || e->type() == QEvent::Hide) && o->isWidgetType() &&
            static_cast<QWidget*>(o)->isWindow())
            Schedule();
        return false;
    }

private:
    bool Mine(const QWidget* w) const { return std::find(windows_.begin(), windows_.end(), w) != windows_.end(); }

    // The program's modal dialogs first, then its open menus, which lie above them.
    std::vector<QWidget*> Covering() const {
        std::vector<QWidget*> dialogs, menus;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || Mine(w)) continue;
            if (w->windowType() == Qt::Popup) menus.push_back(w);
            else if (w->isModal()) dialogs.push_back(w);
        }
        dialogs.insert(dialogs.end(), menus.begin(), menus.end());
        return dialogs;
    }

    void RaiseCovering() {
        for (QWidget* w : Covering()) RaiseWindow(w);
    }

    static void SetOnTop(QWidget* w, bool onTop) {
        const Qt::WindowFlags flags = w->windowFlags();
        const Qt::WindowFlags wanted = onTop ? flags | Qt::WindowStaysOnTopHint : flags & ~Qt::WindowStaysOnTopHint;
        if (wanted == flags) return;
        // Told to the window system directly: setting the widget's flags would hide the window.
        w->overrideWindowFlags(wanted);
        if (QWindow* window = w->windowHandle()) window->setFlags(wanted);
    }

    // After the events of a window being shown or hidden have run, so that Qt knows its open menus.
    void Schedule() {
        if (pending_) return;
        pending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                pending_ = false;
                Evaluate();
            },
            Qt::QueuedConnection);
    }

    void Evaluate() {
        const bool covered = !Covering().empty();
        if (covered != down_) {
            down_ = covered;
            for (DesktopWindow* w : windows_) SetOnTop(w, !covered);
        }
        // Stepped down or not, the character stays above the calendar and the desktop's other
        // windows, which may have been raised meanwhile; the dialogs and menus then go over it.
        for (DesktopWindow* w : windows_)
            if (w->isVisible()) RaiseWindow(w);
        if (covered) RaiseCovering();
    }

    std::vector<DesktopWindow*> windows_;
    bool down_ = false;
    bool pending_ = false;
};

} // namespace

void SetCompositorQuery(CompositorQuery query) { Query() = std::move(query); }

bool CompositorRuns() {
    if (Query()) return Query()();
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) return X11CompositorRuns();
    // Offscreen nothing composes; the other desktops (Wayland) always do.
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// ---- the windows -------------------------------------------------------------------------------------------------
DesktopWindow::DesktopWindow() : QWidget(nullptr, kFlags) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_NoSystemBackground);
    StackingRule::Get().Add(this);
}

DesktopWindow::~DesktopWindow() { StackingRule::Get().Remove(this); }

void DesktopWindow::Raise() { StackingRule::Get().Raise(this); }

bool DesktopWindow::SteppedDown() { return StackingRule::Get().SteppedDown(); }

void DesktopWindow::UpdateShape() {
    if (!composited_) composited_ = CompositorRuns();
    if (*composited_) {
        if (!mask().isEmpty()) clearMask();
        return;
    }
    QImage content(size(), QImage::Format_ARGB32_Premultiplied);
    content.fill(Qt::transparent);
    {
        QPainter p(&content);
        Render(p);
    }
    QRegion shape(QBitmap::fromImage(content.createAlphaMask()));
    // Nothing opaque: nothing of the window shows (an empty mask would show all of it).
    if (shape.isEmpty()) shape = QRegion(-2, -2, 1, 1);
    if (shape != mask()) setMask(shape);
}

void DesktopWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    Render(p);
}

void DesktopWindow::resizeEvent(QResizeEvent*) { UpdateShape(); }

void DesktopWindow::showEvent(QShowEvent*) {
    composited_.reset();
    UpdateShape();
}

CharacterWindow::CharacterWindow(const CharacterPackage& package)
    : package_(package), picture_(package.RestPicture()) {
    setWindowTitle(QString::fromStdString(package.Name()));
    resize(package.Width(), package.Height());
    QAction* hide = menu_.addAction(QStringLiteral("Ausblenden"));
    QObject::connect(hide, &QAction::triggered, this, [this] {
        if (OnHideByUser) OnHideByUser();
    });
}

void CharacterWindow::SetPicture(const std::string& picture) {
    if (picture == picture_) return;
    picture_ = picture;
    UpdateShape();
    update();
}

void CharacterWindow::SetMouth(const std::string& mouth) {
    if (mouth == mouth_) return;
    mouth_ = mouth;
    UpdateShape();
    update();
}

void CharacterWindow::Render(QPainter& p) {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage* img = package_.Picture(picture_);
    if (!img) return;
    p.drawImage(rect(), *img);
    if (!package_.DrawsMouth(picture_)) return;
    const QImage* mouth = package_.Picture(mouth_.empty() ? package_.MouthPicture() : mouth_);
    if (!mouth) return;
    const double sx = double(width()) / package_.Width();
    const double sy = double(height()) / package_.Height();
    const QPoint at = package_.MouthPosition();
    p.drawImage(QRectF(at.x() * sx, at.y() * sy, mouth->width() * sx, mouth->height() * sy), *mouth);
}

void CharacterWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = true;
    dragOffset_ = e->globalPosition().toPoint() - pos();
}

void CharacterWindow::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_ && (e->buttons() & Qt::LeftButton)) move(e->globalPosition().toPoint() - dragOffset_);
}

void CharacterWindow::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void CharacterWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    dragging_ = false;
    if (OnDoubleClick) OnDoubleClick(e->globalPosition().toPoint());
}

void CharacterWindow::contextMenuEvent(QContextMenuEvent* e) { menu_.popup(e->globalPos()); }

void CharacterWindow::moveEvent(QMoveEvent*) {
    if (OnMoved) OnMoved();
}

BalloonWindow::BalloonWindow() {
    QFont f = font();
    f.setPointSize(10);
    setFont(f);
}

void BalloonWindow::SetText(const QString& text, bool thought) {
    text_ = text;
    thought_ = thought;
    const QFontMetrics fm(font());
    QRect r = fm.boundingRect(QRect(0, 0, kBalloonMaxTextWidth, 10000), Qt::TextWordWrap, text_);
    r.setHeight(std::min(r.height(), fm.lineSpacing() * kBalloonMaxLines));
    r.setWidth(std::max(r.width(), 40));
    resize(r.width() + 2 * kPadding + 2, r.height() + 2 * kPadding + kTail + 2);
    UpdateShape();
    update();
}

std::vector<QString> BalloonWindow::Pages(const QString& text) const {
    const QFontMetrics fm(font());
    const int maxHeight = fm.lineSpacing() * kBalloonMaxLines;
    auto fits = [&](const QString& t) {
        return fm.boundingRect(QRect(0, 0, kBalloonMaxTextWidth, 100000), Qt::TextWordWrap, t).height() <= maxHeight;
    };
    std::vector<QString> pages;
    if (fits(text)) {
        pages.push_back(text);
        return pages;
    }
    QString page;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = page.isEmpty() ? word : page + QLatin1Char(' ') + word;
        if (!page.isEmpty() && !fits(longer)) {
            pages.push_back(page);
            page = word;
        } else {
            page = longer;
        }
    }
    if (!page.isEmpty() || pages.empty()) pages.push_back(page);
    return pages;
}

void BalloonWindow::PlaceAt(const QRect& character) {
    QScreen* screen = QGuiApplication::screenAt(character.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    int x = character.center().x() - width() / 2;
    x = std::clamp(x, area.left(), std::max(area.left(), area.right() - width()));
    int y = character.top() - height() + 6;
    tailDown_ = y >= area.top();
    if (!tailDown_) y = character.bottom() - 6;
    tailX_ = std::clamp(character.center().x() - x, 20, std::max(20, width() - 20));
    move(x, y);
    UpdateShape();
    update();
}

QRect BalloonWindow::TextRect() const {
    const int top = tailDown_ ? 1 : kTail + 1;
    return QRect(1, top, width() - 2, height() - kTail - 2);
}

void BalloonWindow::Render(QPainter& p) {
    p.setFont(font());
    p.setRenderHint(QPainter::Antialiasing);
    const QRect box = TextRect();
    const QColor fill(0xff, 0xfd, 0xe8);
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.2));
    p.setBrush(fill);
    QPainterPath path;
    path.addRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    if (thought_) {
        p.drawPath(path);
        // Thought bubbles lead to the character.
        const double dir = tailDown_ ? 1 : -1;
        const double y0 = tailDown_ ? box.bottom() : box.top();
        p.drawEllipse(QPointF(tailX_, y0 + dir * 5), 4, 3);
        p.drawEllipse(QPointF(tailX_ + 3, y0 + dir * 11), 2.5, 2);
    } else {
        QPainterPath tail;
        if (tailDown_) {
            tail.moveTo(tailX_ - 8, box.bottom() - 1);
            tail.lineTo(tailX_ + 2, box.bottom() + kTail);
            tail.lineTo(tailX_ + 8, box.bottom() - 1);
        } else {
            tail.moveTo(tailX_ - 8, box.top() + 1);
            tail.lineTo(tailX_ + 2, box.top() - kTail);
            tail.lineTo(tailX_ + 8, box.top() + 1);
        }
        tail.closeSubpath();
        p.drawPath(path.united(tail));
    }
    p.setPen(Qt::black);
    const QRect textRect = box.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QFontMetrics fm(font());
    const QRect needed = fm.boundingRect(QRect(0, 0, textRect.width(), 10000), Qt::TextWordWrap, text_);
    if (needed.height() <= textRect.height()) {
        p.drawText(textRect, Qt::TextWordWrap, text_);
    } else {
        // A long text shows its beginning and ends in an ellipsis.
        p.setClipRect(textRect.adjusted(0, 0, 0, -fm.lineSpacing()));
        p.drawText(textRect, Qt::TextWordWrap, text_);
        p.setClipping(false);
        p.drawText(QRect(textRect.left(), textRect.bottom() - fm.lineSpacing() + 1, textRect.width(),
                         fm.lineSpacing()),
                   Qt::AlignLeft, QStringLiteral("…"));
    }
}

} // namespace Agent::Detail
