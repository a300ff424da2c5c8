// Draws the front panel pictures: the meter's front, the display annunciators, the 25 digit
// glyphs LCD0..LCD24 and the cross cursor. The generated files are committed beside
// resources.qrc; run this again after changing a drawing:
//   cmake --build build --target q7320_draw_panel && build/q7320_draw_panel src/resources
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

// The display glass and its ink; the digit glyphs and annunciators are drawn on the same glass
// colour so that they sit on the front picture without a seam.
const QColor Glass(0xC6, 0xCF, 0xBC);
const QColor Ink(0x1C, 0x22, 0x1E);

QString g_out;

bool save(const QImage& image, const QString& name, int quality = 100) {
    const QString path = g_out + "/" + name;
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, nullptr, quality)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage canvas(int w, int h, const QColor& fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QFont font(const char* family, int pixelSize, int weight = QFont::Normal) {
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setWeight(QFont::Weight(weight));
    f.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// ---- digit glyphs ------------------------------------------------------------------------

// Segments a..g of a seven-segment digit in a 30 x 52 cell.
QPainterPath segment(char s) {
    const qreal l = 5, r = 25, t = 3, m = 26, b = 49, w = 5.2, h = w / 2, g = 0.9;
    auto horizontal = [&](qreal y) {
        QPainterPath p;
        p.moveTo(l + g, y);
        p.lineTo(l + g + h, y - h);
        p.lineTo(r - g - h, y - h);
        p.lineTo(r - g, y);
        p.lineTo(r - g - h, y + h);
        p.lineTo(l + g + h, y + h);
        p.closeSubpath();
        return p;
    };
    auto vertical = [&](qreal x, qreal y0, qreal y1) {
        QPainterPath p;
        p.moveTo(x, y0 + g);
        p.lineTo(x + h, y0 + g + h);
        p.lineTo(x + h, y1 - g - h);
        p.lineTo(x, y1 - g);
        p.lineTo(x - h, y1 - g - h);
        p.lineTo(x - h, y0 + g + h);
        p.closeSubpath();
        return p;
    };
    switch (s) {
    case 'a':
        return horizontal(t + h);
    case 'g':
        return horizontal(m);
    case 'd':
        return horizontal(b - h);
    case 'f':
        return vertical(l + h, t + h, m);
    case 'b':
        return vertical(r - h, t + h, m);
    case 'e':
        return vertical(l + h, m, b - h);
    case 'c':
        return vertical(r - h, m, b - h);
    }
    return {};
}

const char* segmentsOf(int glyph) {
    static const char* digits[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                     "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
    if (glyph >= 0 && glyph <= 9) return digits[glyph];
    if (glyph == 17) return "g";   // dash
    if (glyph == 18) return "def"; // L
    return "";
}

bool drawGlyphs() {
    for (int i = 0; i < 25; ++i) {
        QImage image = canvas(30, 52, Glass);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Ink);
        for (const char* s = segmentsOf(i); *s; ++s)
            p.drawPath(segment(*s));
        p.end();
        if (!save(image, QString("lcd/LCD%1.bmp").arg(i))) return false;
    }
    return true;
}

// ---- annunciators -------------------------------------------------------------------------

QImage textPicture(int w, int h, const QString& text, int pixelSize, bool boxed = false) {
    QImage image = canvas(w, h, Glass);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Ink);
    p.setFont(font("DejaVu Sans", pixelSize, QFont::Bold));
    QRectF r(0, 0, w, h);
    if (boxed) {
        p.setPen(QPen(Ink, 1.4));
        p.drawRoundedRect(r.adjusted(0.7, 0.7, -0.7, -0.7), 2, 2);
    }
    p.drawText(r, Qt::AlignCenter, text);
    return image;
}

QImage recPicture() {
    QImage image = canvas(34, 14, Glass);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(4, 7), 3.2, 3.2);
    p.setPen(Ink);
    p.setFont(font("DejaVu Sans", 10, QFont::Bold));
    p.drawText(QRectF(8, 0, 26, 14), Qt::AlignCenter, "REC");
    return image;
}

QImage alarmPicture() {
    QImage image = canvas(34, 16, Glass);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    QPainterPath bell;
    bell.moveTo(2, 13);
    bell.quadTo(4.5, 11, 4.5, 7);
    bell.cubicTo(4.5, 1.5, 11.5, 1.5, 11.5, 7);
    bell.quadTo(11.5, 11, 14, 13);
    bell.closeSubpath();
    p.drawPath(bell);
    p.drawEllipse(QPointF(8, 14), 1.8, 1.6);
    p.setPen(Ink);
    p.setFont(font("DejaVu Sans", 10, QFont::Bold));
    p.drawText(QRectF(15, 0, 19, 16), Qt::AlignCenter, "AL");
    return image;
}

QImage batteryPicture(int level) {
    QImage image = canvas(28, 13, Glass);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 22, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawRect(QRectF(24, 4, 3, 5));
    for (int i = 0; i < level; ++i)
        p.drawRect(QRectF(4 + i * 6.5, 4, 5, 5));
    return image;
}

QImage degreePicture(QChar unit) {
    QImage image = canvas(26, 17, Glass);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Ink, 1.6));
    p.drawEllipse(QPointF(5, 5), 2.8, 2.8);
    p.setFont(font("DejaVu Sans", 15, QFont::Bold));
    p.drawText(QRectF(9, 0, 17, 17), Qt::AlignCenter, QString(unit));
    return image;
}

QImage decimalPoint() {
    QImage image = canvas(5, 7, Glass);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawRect(QRectF(0.5, 2, 4, 4.5));
    return image;
}

bool drawAnnunciators() {
    struct Item {
        const char* name;
        QImage image;
    } items[] = {
        {"hold.jpg", textPicture(40, 15, "HOLD", 10, true)},
        {"rec.jpg", recPicture()},
        {"full.jpg", textPicture(34, 14, "FULL", 10, true)},
        {"alarm.jpg", alarmPicture()},
        {"stel.jpg", textPicture(34, 14, "STEL", 11)},
        {"twa.jpg", textPicture(30, 14, "TWA", 11)},
        {"bat0.jpg", batteryPicture(0)},
        {"bat1.jpg", batteryPicture(1)},
        {"bat2.jpg", batteryPicture(2)},
        {"bat3.jpg", batteryPicture(3)},
        {"degc.jpg", degreePicture('C')},
        {"degf.jpg", degreePicture('F')},
        {"co2.jpg", textPicture(30, 14, "CO2", 11)},
        {"autooff.jpg", textPicture(44, 12, "AUTO OFF", 8)},
        {"set.jpg", textPicture(24, 12, "SET", 9)},
        {"dewpoint.jpg", textPicture(28, 12, "DP", 9, true)},
        {"wetbulb.jpg", textPicture(28, 12, "WB", 9, true)},
        {"point.jpg", decimalPoint()},
    };
    for (const Item& item : items)
        if (!save(item.image, QString("panel/") + item.name)) return false;
    return true;
}

// ---- the meter's front --------------------------------------------------------------------

void drawKey(QPainter& p, const QRect& area, const QString& label, const QString& symbol = {}) {
    const QRectF cap = QRectF(area).adjusted(3, 3, -3, -3);
    // shadow
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawRoundedRect(cap.translated(0, 2.5), 10, 10);
    QLinearGradient g(cap.topLeft(), cap.bottomLeft());
    g.setColorAt(0, QColor(0x8A, 0x93, 0x9C));
    g.setColorAt(0.45, QColor(0x6A, 0x73, 0x7D));
    g.setColorAt(1, QColor(0x4E, 0x56, 0x60));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x2A, 0x2E, 0x33), 1.2));
    p.drawRoundedRect(cap, 10, 10);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(cap.adjusted(2, 2, -2, -2), 8, 8);
    p.setPen(QColor(0xF2, 0xF4, 0xF6));
    if (symbol.isEmpty()) {
        p.setFont(font("DejaVu Sans", label.size() > 4 ? 10 : 12, QFont::Bold));
        p.drawText(cap, Qt::AlignCenter, label);
    } else {
        p.setFont(font("DejaVu Sans", 17, QFont::Bold));
        p.drawText(cap.adjusted(0, -2, 0, -cap.height() / 2 + 4),
                   Qt::AlignHCenter | Qt::AlignBottom, symbol);
        p.setFont(font("DejaVu Sans", 8, QFont::Bold));
        p.drawText(cap.adjusted(0, cap.height() / 2 + 1, 0, -2), Qt::AlignHCenter | Qt::AlignTop,
                   label);
    }
}

QImage frontPicture() {
    QImage image = canvas(300, 708, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Body: a dark grey case with a lighter face.
    const QRectF body(10, 4, 280, 700);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(body.translated(2, 3), 46, 46);
    QLinearGradient caseShade(body.topLeft(), body.topRight());
    caseShade.setColorAt(0, QColor(0x2B, 0x30, 0x36));
    caseShade.setColorAt(0.5, QColor(0x3E, 0x44, 0x4C));
    caseShade.setColorAt(1, QColor(0x25, 0x29, 0x2E));
    p.setBrush(caseShade);
    p.drawRoundedRect(body, 46, 46);

    const QRectF face(22, 16, 256, 676);
    QLinearGradient faceShade(face.topLeft(), face.bottomLeft());
    faceShade.setColorAt(0, QColor(0xDD, 0xE1, 0xE5));
    faceShade.setColorAt(1, QColor(0xB9, 0xBF, 0xC6));
    p.setBrush(faceShade);
    p.drawRoundedRect(face, 36, 36);

    // Sensor vents at the top.
    p.setBrush(QColor(0x3A, 0x40, 0x47));
    for (int i = 0; i < 7; ++i)
        p.drawRoundedRect(QRectF(96 + i * 16, 28, 8, 36), 4, 4);
    p.setPen(QColor(0x3A, 0x40, 0x47));
    p.setFont(font("DejaVu Sans", 10, QFont::Bold));
    p.drawText(QRectF(36, 30, 56, 32), Qt::AlignLeft | Qt::AlignVCenter, "CO2\nRH/T");
    p.setPen(Qt::NoPen);

    // Display bezel and glass.
    p.setBrush(QColor(0x26, 0x2B, 0x31));
    p.drawRoundedRect(QRectF(40, 76, 232, 270), 14, 14);
    p.setBrush(Glass);
    p.drawRect(QRectF(51, 86, 212, 250));
    p.setPen(QPen(QColor(0x9E, 0xA8, 0x95), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(51.5, 86.5, 211, 249));

    // Key field.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xA9, 0xB0, 0xB8));
    p.drawRoundedRect(QRectF(66, 376, 168, 222), 22, 22);
    drawKey(p, QRect(94, 393, 50, 44), "LIGHT", QString::fromUtf8("\u2600"));
    drawKey(p, QRect(161, 393, 50, 49), "MODE");
    drawKey(p, QRect(84, 468, 59, 42), "SET");
    drawKey(p, QRect(157, 468, 59, 42), "HOLD");
    drawKey(p, QRect(92, 538, 59, 42), "REC", QString::fromUtf8("\u25CF"));
    drawKey(p, QRect(157, 546, 59, 42), QString::fromUtf8("\u00B0C/\u00B0F"));

    // Model name plate.
    p.setBrush(QColor(0x2E, 0x34, 0x3A));
    p.drawRoundedRect(QRectF(60, 618, 180, 48), 10, 10);
    p.setPen(QColor(0xF0, 0xF2, 0xF4));
    p.setFont(font("DejaVu Sans", 22, QFont::Bold));
    p.drawText(QRectF(60, 618, 180, 30), Qt::AlignCenter, "Q7320");
    p.setPen(QColor(0xA8, 0xD0, 0xE8));
    p.setFont(font("DejaVu Sans", 9, QFont::Bold));
    p.drawText(QRectF(60, 646, 180, 16), Qt::AlignCenter, "CARBON DIOXIDE METER");
    return image;
}

// The "CROSS" pointer: an X whose lines cross at 15, 15 from the hot spot (the top-left
// corner), black with a white edge so it shows on the black chart and on a white one.
QImage crossCursor() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QLine lines[2] = {QLine(4, 4, 26, 26), QLine(4, 26, 26, 4)};
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap));
    p.drawLines(lines, 2);
    p.setPen(QPen(Qt::black, 1));
    p.drawLines(lines, 2);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    const bool ok = drawGlyphs() && drawAnnunciators() &&
                    save(frontPicture(), "panel/front.jpg", 92) &&
                    save(crossCursor(), "cursors/cross.png");
    return ok ? 0 : 1;
}
