// Draws the program's own bitmaps, which are compiled into it and found by name:
//   KDVTODO01    the to-do list's five 12 x 12 priority glyphs side by side, white left out (16 colours)
//   KDVTODO02/03 the to-do list's check marks, ticked and empty (16 x 16, 16 colours)
//   CHECKBOX     the flat check box's strip of 14 styles, four 18 x 18 cells each (256 colours)
//   BACKGROUND2  the alarm popup's background; its size is the popup's
//   AdvSpinUp/AdvSpinDown  the spin buttons' arrows (16 colours)
//   MENUUEBER/MENUHILFE/MENUEINSTELLUNGEN  the menu items' own pictures: "i", "?" and a cog wheel
//                (16 x 16, 16 colours)
// Glyphs that are drawn transparently have their see-through colour in the bottom-left pixel.
// The pixels are set the way the program's own canvas sets them (one-pixel lines stepped without
// smoothing), so these bitmaps look as the controls always looked.
//   male_programmbilder <folder>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

const QColor Black(0, 0, 0), White(255, 255, 255), Gray(128, 128, 128), Silver(192, 192, 192);
const QColor Red(255, 0, 0), Maroon(128, 0, 0), Green(0, 128, 0), Blue(0, 0, 255), Navy(0, 0, 128);
const QColor Olive(128, 128, 0), Teal(0, 128, 128), Purple(128, 0, 128), Fuchsia(255, 0, 255);
const QColor Cream(255, 251, 240);

// ---- one-pixel drawing as the program's canvas does it ----------------------------------------------

// A line from `a` up to, not including, `b`, stepped pixel by pixel.
void Line(QPainter& p, QPoint a, QPoint b, const QColor& color) {
    QPolygon points;
    const int dx = std::abs(b.x() - a.x()), dy = -std::abs(b.y() - a.y());
    const int sx = a.x() < b.x() ? 1 : -1, sy = a.y() < b.y() ? 1 : -1;
    int err = dx + dy, x = a.x(), y = a.y();
    while (!(x == b.x() && y == b.y())) {
        points << QPoint(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
    p.setPen(QPen(color, 1));
    p.drawPoints(points);
}

// Rectangle from (l, t) to (r, b), right and bottom excluded.
void Fill(QPainter& p, int l, int t, int r, int b, const QColor& color) { p.fillRect(QRect(l, t, r - l, b - t), color); }

void Frame(QPainter& p, int l, int t, int r, int b, const QColor& color) {
    Fill(p, l, t, r, t + 1, color);
    Fill(p, l, b - 1, r, b, color);
    Fill(p, l, t + 1, l + 1, b - 1, color);
    Fill(p, r - 1, t + 1, r, b - 1, color);
}

// A filled polygon with a one-pixel outline in `color`.
void Polygon(QPainter& p, const std::vector<QPoint>& points, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygon(QList<QPoint>(points.begin(), points.end())));
    for (std::size_t i = 0; i < points.size(); ++i) Line(p, points[i], points[(i + 1) % points.size()], color);
}

// A box with a one-pixel frame in `pen`, filled with `fill`.
void Box(QPainter& p, int l, int t, int r, int b, const QColor& pen, const QColor& fill) {
    p.fillRect(QRect(l + 1, t + 1, r - l - 2, b - t - 2), fill);
    Line(p, {l, t}, {r - 1, t}, pen);
    Line(p, {r - 1, t}, {r - 1, b - 1}, pen);
    Line(p, {r - 1, b - 1}, {l, b - 1}, pen);
    Line(p, {l, b - 1}, {l, t}, pen);
}

QImage Canvas(int w, int h, const QColor& back) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(back);
    return img;
}

// ---- the pictures ----------------------------------------------------------------------------------

// Highest and high are red arrows up (two and one), normal a grey bar, low and lowest blue arrows
// down (one and two).
QImage PriorityGlyphs() {
    QImage img = Canvas(60, 12, White);
    QPainter p(&img);
    const auto arrow = [&](int left, int tipY, bool up, const QColor& color) {
        const int d = up ? 1 : -1;
        Polygon(p, {{left + 6, tipY}, {left + 2, tipY + 4 * d}, {left + 10, tipY + 4 * d}}, color);
        Fill(p, left + 5, up ? tipY + 4 : tipY - 6, left + 8, up ? tipY + 7 : tipY - 3, color);
    };
    arrow(0, 0, true, Red);
    arrow(0, 5, true, Red);
    arrow(12, 2, true, Red);
    Fill(p, 24 + 2, 5, 24 + 10, 7, Gray);
    arrow(36, 9, false, Blue);
    arrow(48, 6, false, Blue);
    arrow(48, 11, false, Blue);
    return img;
}

// A white box with a grey frame, ticked in green when `ticked`.
QImage CheckMark(bool ticked) {
    QImage img = Canvas(16, 16, Fuchsia);
    QPainter p(&img);
    Fill(p, 2, 2, 14, 14, White);
    Frame(p, 2, 2, 14, 14, Gray);
    if (ticked)
        for (int i = 0; i < 2; ++i) {
            Line(p, {4, 7 + i}, {7, 10 + i}, Green);
            Line(p, {7, 10 + i}, {12, 5 + i}, Green);
        }
    return img;
}

// 14 styles of four cells (unchecked, checked, unchecked disabled, checked disabled): a 13-pixel
// box whose frame colour and fill vary by style, square or rounded, with a tick or a cross.
QImage CheckBoxStrip() {
    constexpr int cell = 18, styles = 14;
    QImage img = Canvas(cell * 4 * styles, cell, Fuchsia);
    QPainter p(&img);
    const QColor frames[styles] = {Black, Navy, Gray, Maroon, Green, Teal, Purple,
                                   Black, Blue, Olive, Red, Black, Navy, Gray};
    for (int style = 0; style < styles; ++style)
        for (int state = 0; state < 4; ++state) {
            const int x0 = (style * 4 + state) * cell + 2, y0 = 2;
            const bool checked = state == 1 || state == 3, disabled = state >= 2;
            const QColor frame = disabled ? Gray : frames[style];
            const QColor inside = disabled ? Silver : (style % 3 == 1 ? Cream : White);
            if (style % 2 == 0) {
                Box(p, x0, y0, x0 + 14, y0 + 14, frame, inside);
            } else {
                p.setPen(QPen(frame, 1));
                p.setBrush(inside);
                p.drawRoundedRect(QRect(x0, y0, 13, 13), 2.5, 2.5);
            }
            if (!checked) continue;
            p.setPen(QPen(disabled ? Gray : (style >= 7 ? Red : Black), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            if (style % 4 == 3) {
                p.drawLine(x0 + 4, y0 + 4, x0 + 10, y0 + 10);
                p.drawLine(x0 + 10, y0 + 4, x0 + 4, y0 + 10);
            } else {
                p.drawLine(x0 + 3, y0 + 7, x0 + 6, y0 + 10);
                p.drawLine(x0 + 6, y0 + 10, x0 + 11, y0 + 4);
            }
        }
    return img;
}

// Light green fading to a paler green towards the bottom, a darker rim and a band under the heading.
QImage AlarmBackground() {
    constexpr int w = 250, h = 100;
    QImage img = Canvas(w, h, White);
    QPainter p(&img);
    for (int y = 0; y < h; ++y) {
        const int lift = 0x20 * y / h;
        Fill(p, 0, y, w, y + 1, QColor(0xC0 + lift, 0xDC + lift / 2, 0xC0 + lift));
    }
    // Only a rim: a rule inside would run through the alarm text's heading.
    const QColor rim(0x90, 0xB0, 0x90);
    Frame(p, 0, 0, w, h, rim);
    return img;
}

// The classic black arrow, three pixels wide and two deep, on the see-through colour. The cells
// are placed so that a button centring them shows the arrow where the window system draws its own:
// the up arrow's tip just above the middle, the down arrow's base on it.
QImage SpinArrow(bool up) {
    QImage img = Canvas(5, 4, Fuchsia);
    QPainter p(&img);
    const int tip = up ? 1 : 3, base = 2;
    Fill(p, 2, tip, 3, tip + 1, Black);
    Fill(p, 1, base, 4, base + 1, Black);
    return img;
}

// A round sign, 14 pixels across, in `fill` with a dark rim, on the see-through colour.
QImage Sign(const QColor& fill, const QColor& rim) {
    QImage img = Canvas(16, 16, Fuchsia);
    QPainter p(&img);
    p.setPen(QPen(rim, 1));
    p.setBrush(fill);
    p.drawEllipse(QRect(1, 1, 13, 13));
    return img;
}

// The about item: a white "i" on a blue sign.
QImage InfoSign() {
    QImage img = Sign(Blue, Navy);
    QPainter p(&img);
    Fill(p, 7, 3, 9, 5, White);
    Fill(p, 7, 6, 9, 12, White);
    Fill(p, 6, 6, 7, 7, White);
    Fill(p, 6, 11, 10, 12, White);
    return img;
}

// The help item: a white "?" on a teal sign.
QImage HelpSign() {
    QImage img = Sign(Teal, Navy);
    QPainter p(&img);
    Fill(p, 6, 3, 10, 4, White);
    Fill(p, 5, 4, 7, 6, White);
    Fill(p, 9, 4, 11, 7, White);
    Fill(p, 8, 7, 10, 8, White);
    Fill(p, 7, 8, 9, 10, White);
    Fill(p, 7, 11, 9, 13, White);
    return img;
}

// The settings item: a grey cog wheel with eight teeth around a white hub.
QImage Cog() {
    QImage img = Canvas(16, 16, Fuchsia);
    QPainter p(&img);
    const int teeth[][4] = {{6, 0, 10, 3}, {6, 13, 10, 16}, {0, 6, 3, 10}, {13, 6, 16, 10},
                            {1, 1, 4, 4},  {12, 1, 15, 4},  {1, 12, 4, 15}, {12, 12, 15, 15}};
    for (const auto& t : teeth) Fill(p, t[0], t[1], t[2], t[3], Gray);
    p.setPen(QPen(Black, 1));
    p.setBrush(Silver);
    p.drawEllipse(QRect(2, 2, 11, 11));
    p.setBrush(White);
    p.drawEllipse(QRect(5, 5, 5, 5));
    return img;
}

// ---- writing Windows bitmaps ------------------------------------------------------------------------

// The 16 colours of the classic palette, in their usual order.
const QRgb Classic16[16] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                            0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                            0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

void Put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray& b, quint32 v) {
    Put16(b, int(v & 0xFFFF));
    Put16(b, int(v >> 16));
}

// An uncompressed bitmap of `bits` per pixel (4, 8 or 24), bottom row first. Fails when the
// picture has more colours than the depth holds, or colours the 16-colour palette lacks.
bool WriteBmp(const QImage& img, int bits, const QString& path) {
    std::vector<QRgb> palette;
    if (bits == 4) {
        palette.assign(std::begin(Classic16), std::end(Classic16));
    } else if (bits == 8) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y) | 0xFF000000;
                if (std::find(palette.begin(), palette.end(), c) == palette.end()) palette.push_back(c);
            }
        if (palette.size() > 256) return false;
    }
    const int rowBytes = (img.width() * bits + 31) / 32 * 4;
    const int offset = 14 + 40 + int(palette.size()) * 4;
    const int size = offset + rowBytes * img.height();
    QByteArray b;
    b.append("BM");
    Put32(b, quint32(size));
    Put32(b, 0);
    Put32(b, quint32(offset));
    Put32(b, 40);
    Put32(b, quint32(img.width()));
    Put32(b, quint32(img.height()));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, 0);                                 // no compression
    Put32(b, quint32(rowBytes * img.height()));
    Put32(b, 3780);                              // 96 pixels per inch
    Put32(b, 3780);
    Put32(b, quint32(palette.size()));
    Put32(b, 0);
    for (QRgb c : palette) Put32(b, c & 0xFFFFFF);   // blue, green, red, zero
    for (int y = img.height() - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y) | 0xFF000000;
            if (bits == 24) {
                row[x * 3] = char(qBlue(c));
                row[x * 3 + 1] = char(qGreen(c));
                row[x * 3 + 2] = char(qRed(c));
                continue;
            }
            const auto at = std::find(palette.begin(), palette.end(), c);
            if (at == palette.end()) return false;
            const int index = int(at - palette.begin());
            if (bits == 8) row[x] = char(index);
            else row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
        }
        b.append(row);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(b) == b.size();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) return 1;
    struct Picture {
        const char* name;
        QImage image;
        int bits;
    };
    const Picture pictures[] = {
        {"KDVTODO01", PriorityGlyphs(), 4}, {"KDVTODO02", CheckMark(true), 4},
        {"KDVTODO03", CheckMark(false), 4}, {"CHECKBOX", CheckBoxStrip(), 8},
        {"BACKGROUND2", AlarmBackground(), 24}, {"AdvSpinUp", SpinArrow(true), 4},
        {"AdvSpinDown", SpinArrow(false), 4}, {"MENUUEBER", InfoSign(), 4},
        {"MENUHILFE", HelpSign(), 4}, {"MENUEINSTELLUNGEN", Cog(), 4},
    };
    for (const Picture& pic : pictures) {
        const QString path = dir.filePath(QString::fromLatin1(pic.name) + QStringLiteral(".bmp"));
        if (!WriteBmp(pic.image, pic.bits, path)) {
            std::fprintf(stderr, "%s: could not write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
