// Draws the pictures of Eulalia, the owl the program ships as its speaking character, into a folder:
// one 128 x 128 picture per pose and three beak pictures that the server lays over the face.
// Usage: male_eulalia <folder>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

const QColor kOutline(0x5c, 0x3a, 0x1a);
const QColor kBody(0x8b, 0x5a, 0x2b);
const QColor kWing(0x74, 0x48, 0x22);
const QColor kBelly(0xe8, 0xc9, 0xa0);
const QColor kFace(0xf3, 0xe2, 0xc7);
const QColor kPupil(0x2b, 0x1a, 0x0e);
const QColor kBeak(0xf0, 0xa0, 0x30);
const QColor kBeakDark(0xb8, 0x6a, 0x12);
const QColor kBook(0xb0, 0x3a, 0x2e);

enum class Eyes { Open, Half, Closed, Wide };

struct Pose {
    Eyes eyes = Eyes::Open;
    QPointF gaze{0, 0};      // pupil offset
    double leftWing = 12;    // degrees: 0 hangs down, positive lifts the left wing outwards
    double rightWing = -12;  // negative lifts the right wing outwards
    bool book = false;
    bool tuftsUp = false;
};

void Wing(QPainter& p, QPointF shoulder, double angle) {
    p.save();
    p.translate(shoulder);
    p.rotate(angle);
    p.setBrush(kWing);
    p.setPen(QPen(kOutline, 2));
    p.drawEllipse(QPointF(0, 18), 9, 21);
    // Three feather lines.
    p.setPen(QPen(kOutline.lighter(130), 1.2));
    for (int i = -1; i <= 1; ++i) p.drawLine(QPointF(i * 3.5, 21), QPointF(i * 4, 33));
    p.restore();
}

void Eye(QPainter& p, QPointF c, const Pose& pose) {
    const double r = pose.eyes == Eyes::Wide ? 14 : 12;
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(Qt::white);
    if (pose.eyes == Eyes::Closed) {
        p.setBrush(kFace);
        p.drawEllipse(c, r, r);
        p.setPen(QPen(kPupil, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(c.x() - 8, c.y() - 6, 16, 10), 200 * 16, 140 * 16);
        return;
    }
    p.drawEllipse(c, r, r);
    const double pr = pose.eyes == Eyes::Wide ? 4.5 : 6;
    p.setPen(Qt::NoPen);
    p.setBrush(kPupil);
    p.drawEllipse(c + pose.gaze, pr, pr);
    p.setBrush(Qt::white);
    p.drawEllipse(c + pose.gaze + QPointF(-2, -2.5), 1.8, 1.8);
    if (pose.eyes == Eyes::Half) {
        // The upper lid covers half the eye.
        QPainterPath lid;
        lid.moveTo(c.x() - r - 1, c.y());
        lid.arcTo(QRectF(c.x() - r - 1, c.y() - r - 1, 2 * r + 2, 2 * r + 2), 180, -180);
        lid.closeSubpath();
        p.setBrush(kFace.darker(108));
        p.setPen(QPen(kOutline, 1.5));
        p.drawPath(lid);
    }
}

void Book(QPainter& p) {
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(kBook);
    p.drawRoundedRect(QRectF(38, 88, 52, 24), 2, 2);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(41, 86), QPointF(63, 89), QPointF(63, 109), QPointF(41, 106)}));
    p.drawPolygon(QPolygonF({QPointF(87, 86), QPointF(65, 89), QPointF(65, 109), QPointF(87, 106)}));
    p.setPen(QPen(QColor(0x99, 0x99, 0x99), 1));
    for (int i = 0; i < 4; ++i) {
        const double y = 92 + i * 4;
        p.drawLine(QPointF(45, y), QPointF(60, y + 2));
        p.drawLine(QPointF(68, y + 2), QPointF(83, y));
    }
}

QImage DrawOwl(const Pose& pose) {
    QImage img(128, 128, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Feet.
    p.setPen(QPen(kBeakDark, 1.5));
    p.setBrush(kBeak);
    for (double x : {52.0, 76.0}) p.drawEllipse(QPointF(x, 121), 7, 4);

    // Wings behind the body when they hang down, in front when they are raised.
    const QPointF leftShoulder(33, 68), rightShoulder(95, 68);
    const bool leftFront = pose.leftWing > 60 || pose.leftWing < -20;
    const bool rightFront = pose.rightWing < -60 || pose.rightWing > 20;
    if (!leftFront) Wing(p, leftShoulder, pose.leftWing);
    if (!rightFront) Wing(p, rightShoulder, pose.rightWing);

    // Ear tufts.
    p.setPen(QPen(kOutline, 2));
    p.setBrush(kBody);
    const double tip = pose.tuftsUp ? 12 : 20;
    p.drawPolygon(QPolygonF({QPointF(34, 46), QPointF(38, tip), QPointF(56, 38)}));
    p.drawPolygon(QPolygonF({QPointF(94, 46), QPointF(90, tip), QPointF(72, 38)}));

    // Body and belly with feather marks.
    p.drawEllipse(QPointF(64, 78), 38, 43);
    p.setPen(Qt::NoPen);
    p.setBrush(kBelly);
    p.drawEllipse(QPointF(64, 94), 25, 25);
    p.setPen(QPen(kBody.lighter(115), 1.5));
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row < 3; ++row) {
        for (int col = -1; col <= 1; ++col) {
            const double x = 64 + col * 11 + (row % 2) * 5 - 2;
            const double y = 86 + row * 9;
            p.drawArc(QRectF(x - 4, y - 3, 8, 6), 200 * 16, 140 * 16);
        }
    }

    // Face discs and eyes.
    p.setPen(Qt::NoPen);
    p.setBrush(kFace);
    p.drawEllipse(QPointF(47, 58), 18, 18);
    p.drawEllipse(QPointF(81, 58), 18, 18);
    Eye(p, QPointF(47, 58), pose);
    Eye(p, QPointF(81, 58), pose);
    if (pose.tuftsUp) {
        // Raised brows for surprise.
        p.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(35, 36, 24, 10), 30 * 16, 120 * 16);
        p.drawArc(QRectF(69, 36, 24, 10), 30 * 16, 120 * 16);
    }

    if (leftFront) Wing(p, leftShoulder, pose.leftWing);
    if (rightFront) Wing(p, rightShoulder, pose.rightWing);
    // The wings reach under the book they hold.
    if (pose.book) Book(p);
    return img;
}

// The beak, drawn on a 20 x 22 picture that the server puts at the face's "Mund" position.
QImage DrawBeak(double open) {
    QImage img(20, 22, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBeakDark, 1.2));
    if (open > 0) {
        p.setBrush(QColor(0x6a, 0x1e, 0x1e));
        p.drawEllipse(QPointF(10, 9 + open * 0.5), 5, 2 + open);
    }
    p.setBrush(kBeak);
    p.drawPolygon(QPolygonF({QPointF(4, 2), QPointF(16, 2), QPointF(10, 13 - open * 0.3)}));
    if (open > 0)
        p.drawPolygon(QPolygonF({QPointF(6.5, 10 + open), QPointF(13.5, 10 + open), QPointF(10, 14 + open * 1.3)}));
    return img;
}

// The whole owl shrunk about its feet, for appearing and vanishing.
QImage Shrunk(const QImage& full, double scale) {
    QImage img(full.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF s(full.width() * scale, full.height() * scale);
    p.drawImage(QRectF(QPointF((full.width() - s.width()) / 2, full.height() - s.height()), s), full);
    return img;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: male_eulalia <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    bool ok = true;
    auto save = [&](const char* name, const QImage& img) {
        ok = img.save(folder + "/eulalia_" + name + ".png") && ok;
    };

    Pose rest;
    save("ruhe", DrawOwl(rest));
    Pose p = rest;
    p.eyes = Eyes::Half;
    save("halb", DrawOwl(p));
    p.eyes = Eyes::Closed;
    save("zu", DrawOwl(p));
    p = rest;
    p.gaze = {0, 5};
    save("unten", DrawOwl(p));
    p = rest;
    p.rightWing = -155;
    p.gaze = {2, -1};
    save("winken1", DrawOwl(p));
    p.rightWing = -132;
    save("winken2", DrawOwl(p));
    p = rest;
    p.leftWing = -25;
    p.rightWing = 25;
    p.gaze = {0, 3};
    save("buch_halb", DrawOwl(p));
    p.leftWing = -40;
    p.rightWing = 40;
    p.book = true;
    p.gaze = {-3, 5};
    save("lesen_links", DrawOwl(p));
    p.gaze = {3, 5};
    save("lesen_rechts", DrawOwl(p));
    p = rest;
    p.rightWing = -128;
    p.gaze = {4, 0};
    save("ansage", DrawOwl(p));
    p = rest;
    p.rightWing = -45;
    p.gaze = {4, 4};
    save("zeigen", DrawOwl(p));
    p = rest;
    p.leftWing = 158;
    p.rightWing = -158;
    save("achtung1", DrawOwl(p));
    p.leftWing = 138;
    p.rightWing = -138;
    p.tuftsUp = true;
    save("achtung2", DrawOwl(p));
    p = rest;
    p.eyes = Eyes::Wide;
    p.leftWing = 132;
    p.rightWing = -132;
    p.tuftsUp = true;
    save("ueberrascht", DrawOwl(p));

    // The shrunk pictures carry their own beak: the server lays none over them.
    QImage full = DrawOwl(rest);
    {
        QPainter beak(&full);
        beak.drawImage(QPointF(54, 63), DrawBeak(0));
    }
    save("klein", Shrunk(full, 0.3));
    save("mittel", Shrunk(full, 0.6));
    save("gross", Shrunk(full, 0.9));

    save("schnabel_zu", DrawBeak(0));
    save("schnabel_halb", DrawBeak(2.5));
    save("schnabel_auf", DrawBeak(5));
    if (!ok) {
        std::fprintf(stderr, "male_eulalia: cannot write the pictures into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
