// Draws the popup menu's pictures into one strip of 16 x 16 cells: the task list, the planner's
// calendar sheet, the address book and the speaking owl. The background is the key colour
// (fuchsia) that the program leaves out; nothing is smoothed, so no edge takes on that colour.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <cstdio>

namespace {

const QColor Key(255, 0, 255);
const QColor Ink(40, 40, 60);

void Tasks(QPainter& p) {
    p.setPen(Ink);
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(2, 1, 11, 14);
    p.setBrush(QColor(150, 110, 60));
    p.drawRect(5, 0, 5, 2);
    for (int y = 5; y <= 12; y += 3) {
        p.setPen(QColor(45, 111, 234));
        p.drawLine(7, y, 11, y);
        p.setPen(QColor(30, 150, 40));
        p.drawLine(4, y, 5, y + 1);
        p.drawLine(5, y + 1, 6, y - 1);
    }
}

void Planner(QPainter& p) {
    p.setPen(Ink);
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 12);
    p.fillRect(2, 3, 12, 3, QColor(200, 40, 40));
    p.setPen(Ink);
    p.drawLine(4, 1, 4, 3);
    p.drawLine(11, 1, 11, 3);
    for (int y = 8; y <= 12; y += 2)
        for (int x = 3; x <= 12; x += 3) p.fillRect(x, y, 2, 1, QColor(90, 90, 110));
    p.fillRect(9, 10, 2, 1, QColor(200, 40, 40));
}

void Addresses(QPainter& p) {
    p.setPen(Ink);
    p.setBrush(QColor(235, 215, 160));
    p.drawRect(0, 2, 15, 12);
    p.setBrush(QColor(45, 111, 234));
    p.setPen(QColor(25, 70, 160));
    p.drawEllipse(2, 4, 4, 4);
    p.drawRect(2, 9, 4, 3);
    p.setPen(Ink);
    for (int y = 5; y <= 11; y += 3) p.drawLine(8, y, 12, y);
}

void Owl(QPainter& p) {
    p.setPen(QColor(80, 50, 20));
    p.setBrush(QColor(150, 100, 50));
    p.drawEllipse(2, 2, 11, 13);
    p.drawPolygon(QPolygon({QPoint(2, 1), QPoint(5, 3), QPoint(2, 4)}));
    p.drawPolygon(QPolygon({QPoint(13, 1), QPoint(10, 3), QPoint(13, 4)}));
    p.setBrush(Qt::white);
    p.drawEllipse(3, 4, 4, 4);
    p.drawEllipse(8, 4, 4, 4);
    p.fillRect(5, 6, 1, 1, Qt::black);
    p.fillRect(10, 6, 1, 1, Qt::black);
    p.setPen(QColor(230, 160, 30));
    p.drawLine(7, 9, 8, 9);
    p.drawLine(7, 10, 8, 10);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s target.png\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QImage strip(4 * 16, 16, QImage::Format_RGB32);
    strip.fill(Key);
    void (*const pictures[])(QPainter&) = {Tasks, Planner, Addresses, Owl};
    for (int i = 0; i < 4; ++i) {
        QPainter p(&strip);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.translate(16 * i, 0);
        p.setClipRect(0, 0, 16, 16);
        pictures[i](p);
    }
    return strip.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
