// Skin textures, the menu texture, the size grips and the application icon.
#include "images.h"
#include "paintkit.h"

#include <QPainterPath>
#include <QtMath>

using namespace kit;

namespace {

// A vertical gradient with a faint horizontal weave. The weave repeats every
// 4 px so the 24 px wide tile joins itself seamlessly when the brush repeats.
QImage gradientTile(int w, int h, const QColor &top, const QColor &bottom)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        const QColor row = mix(top, bottom, double(y) / (h - 1));
        for (int x = 0; x < w; ++x) {
            const double weave = ((x + y) % 4 == 0) ? 0.05 : 0.0;
            img.setPixelColor(x, y, lighter(row, weave));
        }
    }
    return img;
}

// Very light blue with soft periodic clouds; every term has a whole number of
// periods across the tile, so menus larger than the tile show no seams.
QImage menuTile()
{
    const int w = 118, h = 111;
    QImage img(w, h, QImage::Format_ARGB32);
    const QColor base = hex("#eef5fd");
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = 2 * M_PI * x / w, v = 2 * M_PI * y / h;
            const double s = 0.5 * qSin(u + 2 * v) + 0.3 * qSin(3 * u - v + 1.3) + 0.2 * qCos(2 * u + 3 * v);
            const double t = 0.5 + 0.5 * s; // 0..1
            img.setPixelColor(x, y, mix(base, hex("#dbe9fa"), 0.55 * t));
        }
    }
    return img;
}

QImage grip(const QColor &dot)
{
    // Magenta marks the pixels the status strip leaves transparent.
    QImage img(11, 11, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    // Six dots in a staircase, each a dark pixel pair with a white highlight.
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (row + col < 2)
                continue;
            const int x = 1 + col * 3 + 1, y = 1 + row * 3 + 1;
            img.setPixelColor(x + 1, y + 1, Qt::white);
            img.setPixelColor(x, y, dot);
            img.setPixelColor(x + 1, y, dot);
            img.setPixelColor(x, y + 1, dot);
        }
    }
    return img;
}

// Below 24 px the spiral and the feather's barbs turn to mush: draw a
// pixel-aligned notebook with a plain two-tone quill instead.
QImage smallAppIcon(int size)
{
    Canvas c(16, 16);
    QPainter &p = c.p();
    const QColor cover = hex("#3f6fb5");
    box(p, 2, 0, 12, 16, cover, darker(cover, 0.35));
    box(p, 4, 2, 7, 3, Qt::white, Qt::white);
    for (int y = 1; y < 16; y += 3)
        box(p, 1, y, 3, 1, hex("#cfd8dc"), hex("#cfd8dc"));
    QPainterPath vane;
    vane.moveTo(5, 14);
    vane.cubicTo(6, 10, 10, 5.5, 15.5, 3.5);
    vane.cubicTo(14.5, 8, 10.5, 12, 6.5, 13.5);
    vane.closeSubpath();
    p.setPen(QPen(hex("#37474f"), 0.9));
    p.setBrush(Qt::white);
    p.drawPath(vane);
    p.setPen(QPen(hex("#263238"), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 15.2), QPointF(6.5, 12.2));
    QImage img = c.finish();
    return size == 16 ? img : img.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

namespace images {

std::vector<Named> skinImages()
{
    return {{QStringLiteral("skin/texture1.png"), gradientTile(24, 26, hex("#f1f7ff"), hex("#c6dcf6"))},
            {QStringLiteral("skin/texture2.png"), gradientTile(24, 26, hex("#f4f3f0"), hex("#d8d5cf"))},
            {QStringLiteral("skin/menu.png"), menuTile()},
            {QStringLiteral("skin/grip1.png"), grip(hex("#7b9ecb"))},
            {QStringLiteral("skin/grip2.png"), grip(hex("#8e8a84"))}};
}

QImage appIcon(int size)
{
    if (size < 24)
        return smallAppIcon(size);
    Canvas c(size, size);
    QPainter &p = c.p();
    p.scale(size / 64.0, size / 64.0);

    // Notebook: cover, page edges on the right, spiral on the left.
    const QColor cover = hex("#3f6fb5");
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#dfe7f2"));
    p.drawRoundedRect(QRectF(14, 6, 42, 54), 4, 4);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(12, 5, 41, 53), 4, 4);
    QLinearGradient g(QPointF(10, 4), QPointF(50, 58));
    g.setColorAt(0, lighter(cover, 0.2));
    g.setColorAt(1, darker(cover, 0.15));
    p.setPen(QPen(darker(cover, 0.35), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(9, 3, 41, 54), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(19, 12, 24, 10), 2, 2);
    p.setBrush(hex("#9fb4d6"));
    p.drawRect(QRectF(22, 15.5, 18, 1.6));
    p.drawRect(QRectF(22, 18.5, 12, 1.6));
    for (int i = 0; i < 7; ++i) {
        const double y = 8 + i * 7;
        p.setBrush(hex("#263238"));
        p.drawEllipse(QPointF(12.5, y + 1), 1.6, 1.6);
        p.setPen(QPen(hex("#b0bec5"), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, y), QPointF(12.5, y + 1));
        p.setPen(Qt::NoPen);
    }

    // Quill lying across the cover, nib at the bottom left.
    p.save();
    p.translate(30, 50);
    p.rotate(-52);
    QPainterPath vane;
    vane.moveTo(6, 0);
    vane.cubicTo(14, -9, 34, -10, 48, -2);
    vane.cubicTo(36, 1, 22, 5, 10, 4);
    vane.closeSubpath();
    QLinearGradient fg(QPointF(10, -8), QPointF(10, 5));
    fg.setColorAt(0, hex("#ffffff"));
    fg.setColorAt(1, hex("#cfd8dc"));
    p.setPen(QPen(hex("#546e7a"), 1.3));
    p.setBrush(fg);
    p.drawPath(vane);
    p.setPen(QPen(hex("#90a4ae"), 0.9));
    for (int i = 0; i < 5; ++i) {
        const double x = 16 + i * 6;
        p.drawLine(QPointF(x, 0.5), QPointF(x + 5, -6.5 + i * 0.5));
    }
    p.setPen(QPen(hex("#6d4c41"), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-2, 1.5), QPointF(46, -1.5));
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#263238"));
    p.drawPolygon(QPolygonF({QPointF(-9, 2.6), QPointF(0, 0), QPointF(0, 3.4)}));
    p.restore();
    // A drop of ink where the nib rests.
    p.setBrush(hex("#263238"));
    p.drawEllipse(QPointF(24.5, 58), 3.2, 1.6);
    return c.finish();
}

// The same drawing as appIcon() in SVG, for desktops that scale icons freely.
// Keep the two in step when changing either.
QByteArray appIconSvg()
{
    const QColor cover = hex("#3f6fb5");
    QString spiral;
    for (int i = 0; i < 7; ++i) {
        const double y = 8 + i * 7;
        spiral += QStringLiteral("  <circle cx=\"12.5\" cy=\"%1\" r=\"1.6\" fill=\"#263238\"/>\n"
                                 "  <line x1=\"5\" y1=\"%2\" x2=\"12.5\" y2=\"%1\" stroke=\"#b0bec5\" "
                                 "stroke-width=\"2.4\" stroke-linecap=\"round\"/>\n")
                      .arg(y + 1)
                      .arg(y);
    }
    QString barbs;
    for (int i = 0; i < 5; ++i) {
        const double x = 16 + i * 6;
        barbs += QStringLiteral("    <line x1=\"%1\" y1=\"0.5\" x2=\"%2\" y2=\"%3\"/>\n")
                     .arg(x)
                     .arg(x + 5)
                     .arg(-6.5 + i * 0.5);
    }
    const QString svg = QStringLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
        "  <defs>\n"
        "    <linearGradient id=\"cover\" gradientUnits=\"userSpaceOnUse\" x1=\"10\" y1=\"4\" x2=\"50\" y2=\"58\">\n"
        "      <stop offset=\"0\" stop-color=\"%1\"/><stop offset=\"1\" stop-color=\"%2\"/>\n"
        "    </linearGradient>\n"
        "    <linearGradient id=\"vane\" gradientUnits=\"userSpaceOnUse\" x1=\"10\" y1=\"-8\" x2=\"10\" y2=\"5\">\n"
        "      <stop offset=\"0\" stop-color=\"#ffffff\"/><stop offset=\"1\" stop-color=\"#cfd8dc\"/>\n"
        "    </linearGradient>\n"
        "  </defs>\n"
        "  <rect x=\"14\" y=\"6\" width=\"42\" height=\"54\" rx=\"4\" fill=\"#dfe7f2\"/>\n"
        "  <rect x=\"12\" y=\"5\" width=\"41\" height=\"53\" rx=\"4\" fill=\"#ffffff\"/>\n"
        "  <rect x=\"9\" y=\"3\" width=\"41\" height=\"54\" rx=\"4\" fill=\"url(#cover)\" stroke=\"%3\" stroke-width=\"1.5\"/>\n"
        "  <rect x=\"19\" y=\"12\" width=\"24\" height=\"10\" rx=\"2\" fill=\"#ffffff\"/>\n"
        "  <rect x=\"22\" y=\"15.5\" width=\"18\" height=\"1.6\" fill=\"#9fb4d6\"/>\n"
        "  <rect x=\"22\" y=\"18.5\" width=\"12\" height=\"1.6\" fill=\"#9fb4d6\"/>\n"
        "%4"
        "  <g transform=\"translate(30 50) rotate(-52)\">\n"
        "    <path d=\"M6 0C14 -9 34 -10 48 -2C36 1 22 5 10 4Z\" fill=\"url(#vane)\" stroke=\"#546e7a\" stroke-width=\"1.3\"/>\n"
        "    <g stroke=\"#90a4ae\" stroke-width=\"0.9\">\n%5    </g>\n"
        "    <line x1=\"-2\" y1=\"1.5\" x2=\"46\" y2=\"-1.5\" stroke=\"#6d4c41\" stroke-width=\"1.8\" stroke-linecap=\"round\"/>\n"
        "    <polygon points=\"-9,2.6 0,0 0,3.4\" fill=\"#263238\"/>\n"
        "  </g>\n"
        "  <ellipse cx=\"24.5\" cy=\"58\" rx=\"3.2\" ry=\"1.6\" fill=\"#263238\"/>\n"
        "</svg>\n")
                            .arg(lighter(cover, 0.2).name(), darker(cover, 0.15).name(),
                                 darker(cover, 0.35).name(), spiral, barbs);
    return svg.toUtf8();
}

} // namespace images
