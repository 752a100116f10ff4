#include "CharacterWindow.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

namespace Agent::Detail {
namespace {

constexpr Qt::WindowFlags kFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;

void MakeTranslucent(QWidget* w) {
    w->setAttribute(Qt::WA_TranslucentBackground);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setAttribute(Qt::WA_NoSystemBackground);
}

constexpr int kBalloonMaxTextWidth = 230;
constexpr int kBalloonMaxLines = 8;
constexpr int kPadding = 8;
constexpr int kTail = 14;

} // namespace

CharacterWindow::CharacterWindow(const CharacterPackage& package)
    : QWidget(nullptr, kFlags), package_(package), picture_(package.RestPicture()) {
    MakeTranslucent(this);
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
    update();
}

void CharacterWindow::SetMouth(const std::string& mouth) {
    if (mouth == mouth_) return;
    mouth_ = mouth;
    update();
}

void CharacterWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
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

BalloonWindow::BalloonWindow() : QWidget(nullptr, kFlags) {
    MakeTranslucent(this);
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
    update();
}

QRect BalloonWindow::TextRect() const {
    const int top = tailDown_ ? 1 : kTail + 1;
    return QRect(1, top, width() - 2, height() - kTail - 2);
}

void BalloonWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
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
