// The 24 note icons a user can give a note, in the order of their numbers 1..24.
#include "images.h"
#include "paintkit.h"

#include <QPainterPath>
#include <QtMath>
#include <array>
#include <functional>

using namespace kit;

namespace {

using Icon = std::function<void(QPainter &, const QColor &)>;

enum class Corners { Sharp, Round };

// Most icons are one shape in the icon's colour, outlined in a darker shade of it.
QPen outline(const QColor &c, double darkness, Corners corners)
{
    if (corners == Corners::Round)
        return QPen(darker(c, darkness), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return QPen(darker(c, darkness), 1);
}

void shape(QPainter &p, const QPainterPath &path, const QColor &c, double darkness,
           Corners corners = Corners::Sharp)
{
    p.setPen(outline(c, darkness, corners));
    p.setBrush(c);
    p.drawPath(path);
}

void shape(QPainter &p, const QPolygonF &polygon, const QColor &c, double darkness)
{
    p.setPen(outline(c, darkness, Corners::Round));
    p.setBrush(c);
    p.drawPolygon(polygon);
}

void note(QPainter &p, const QColor &c)
{
    box(p, 2, 1, 12, 14, lighter(c, 0.88), c);
    box(p, 2, 1, 12, 3, c, c);
    for (int y = 6; y <= 12; y += 2)
        hline(p, 4, y == 12 ? 8 : 11, y, lighter(c, 0.25));
}

void star(QPainter &p, const QColor &c)
{
    QPolygonF poly;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 3.1 : 7.3;
        const double a = -M_PI / 2 + i * M_PI / 5;
        poly << QPointF(8 + r * qCos(a), 8.6 + r * qSin(a));
    }
    shape(p, poly, c, 0.35);
}

void flag(QPainter &p, const QColor &c)
{
    p.fillRect(QRectF(2, 1, 1.6, 14), hex("#5d4037"));
    QPainterPath cloth;
    cloth.moveTo(3.6, 2);
    cloth.cubicTo(6, 0.8, 8.5, 3.6, 14, 2);
    cloth.lineTo(14, 9);
    cloth.cubicTo(8.5, 10.6, 6, 7.8, 3.6, 9);
    cloth.closeSubpath();
    shape(p, cloth, c, 0.35);
}

void clockIcon(QPainter &p, const QColor &c)
{
    disc(p, QPointF(8, 8), 6.8, c, darker(c, 0.35));
    disc(p, QPointF(8, 8), 5.0, Qt::white, Qt::transparent);
    p.setPen(QPen(hex("#263238"), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(8, 4.2));
    p.drawLine(QPointF(8, 8), QPointF(10.8, 9.2));
}

void book(QPainter &p, const QColor &c)
{
    box(p, 3, 12, 11, 3, Qt::white, hex("#8d8d8d"));
    box(p, 3, 1, 11, 12, c, darker(c, 0.35));
    box(p, 3, 1, 3, 13, darker(c, 0.2), darker(c, 0.35));
    box(p, 7, 4, 5, 3, lighter(c, 0.75), lighter(c, 0.75));
}

void heart(QPainter &p, const QColor &c)
{
    QPainterPath h;
    h.moveTo(8, 14.2);
    h.cubicTo(2, 9.5, 0.6, 7, 1.3, 4.6);
    h.cubicTo(2, 2, 6, 1.4, 8, 4.6);
    h.cubicTo(10, 1.4, 14, 2, 14.7, 4.6);
    h.cubicTo(15.4, 7, 14, 9.5, 8, 14.2);
    shape(p, h, c, 0.35);
    disc(p, QPointF(4.8, 5.2), 1.2, lighter(c, 0.6), Qt::transparent);
}

void lightbulb(QPainter &p, const QColor &c)
{
    QPainterPath bulb;
    bulb.moveTo(5.8, 11);
    bulb.cubicTo(5.6, 8.8, 2.6, 8, 2.6, 5.6);
    bulb.cubicTo(2.6, 2.6, 5, 0.8, 8, 0.8);
    bulb.cubicTo(11, 0.8, 13.4, 2.6, 13.4, 5.6);
    bulb.cubicTo(13.4, 8, 10.4, 8.8, 10.2, 11);
    bulb.closeSubpath();
    shape(p, bulb, c, 0.45);
    disc(p, QPointF(6, 4.4), 1.3, lighter(c, 0.7), Qt::transparent);
    box(p, 6, 11, 4, 4, hex("#b0bec5"), hex("#546e7a"));
    hline(p, 6, 9, 13, hex("#546e7a"));
}

void check(QPainter &p, const QColor &c)
{
    disc(p, QPointF(8, 8), 7, c, darker(c, 0.3));
    QPainterPath tick;
    tick.moveTo(4.4, 8.2);
    tick.lineTo(7, 10.8);
    tick.lineTo(11.8, 5.4);
    stroke(p, tick, Qt::white, 2.2);
}

void warning(QPainter &p, const QColor &c)
{
    QPainterPath tri;
    tri.moveTo(8, 1);
    tri.lineTo(15.2, 14.5);
    tri.lineTo(0.8, 14.5);
    tri.closeSubpath();
    shape(p, tri, c, 0.35, Corners::Round);
    p.fillRect(QRectF(7.1, 5.5, 1.8, 5), hex("#212121"));
    p.fillRect(QRectF(7.1, 11.6, 1.8, 1.8), hex("#212121"));
}

void folderIcon(QPainter &p, const QColor &c)
{
    folder(p, QRectF(1, 2, 14, 12), c, false);
}

void mail(QPainter &p, const QColor &c)
{
    box(p, 1, 3, 14, 10, lighter(c, 0.85), darker(c, 0.2));
    QPainterPath flap;
    flap.moveTo(1.5, 3.5);
    flap.lineTo(8, 9);
    flap.lineTo(14.5, 3.5);
    stroke(p, flap, darker(c, 0.2), 1.2);
}

void phone(QPainter &p, const QColor &c)
{
    roundBox(p, QRectF(4, 0.5, 8, 15), 1.8, c, darker(c, 0.4));
    box(p, 5, 2, 6, 9, hex("#b3e5fc"), hex("#b3e5fc"));
    disc(p, QPointF(8, 13.2), 0.9, lighter(c, 0.6), Qt::transparent);
}

void person(QPainter &p, const QColor &c)
{
    disc(p, QPointF(8, 4.6), 3.4, lighter(c, 0.2), darker(c, 0.35));
    QPainterPath body;
    body.moveTo(1.5, 15.5);
    body.cubicTo(1.5, 10.5, 4.5, 9, 8, 9);
    body.cubicTo(11.5, 9, 14.5, 10.5, 14.5, 15.5);
    body.closeSubpath();
    shape(p, body, c, 0.35);
}

void house(QPainter &p, const QColor &c)
{
    box(p, 3, 7, 10, 8, lighter(c, 0.75), darker(c, 0.3));
    QPainterPath roof;
    roof.moveTo(0.8, 8.2);
    roof.lineTo(8, 1.2);
    roof.lineTo(15.2, 8.2);
    stroke(p, roof, c, 2.2);
    box(p, 7, 10, 3, 5, c, darker(c, 0.3));
}

void music(QPainter &p, const QColor &c)
{
    const QColor d = darker(c, 0.25);
    p.setPen(QPen(d, 1));
    p.setBrush(c);
    p.drawEllipse(QPointF(4.0, 12.6), 3.0, 2.4);
    p.drawEllipse(QPointF(11.6, 11.2), 3.0, 2.4);
    p.fillRect(QRectF(5.4, 3.2, 1.8, 9.4), d);
    p.fillRect(QRectF(13.0, 1.6, 1.8, 9.6), d);
    QPolygonF beam({QPointF(5.4, 3.2), QPointF(14.8, 0.8), QPointF(14.8, 4.4), QPointF(5.4, 6.8)});
    p.setPen(Qt::NoPen);
    p.setBrush(d);
    p.drawPolygon(beam);
}

void camera(QPainter &p, const QColor &c)
{
    roundBox(p, QRectF(5, 2, 6, 3), 1, darker(c, 0.2), darker(c, 0.4));
    roundBox(p, QRectF(0.5, 4, 15, 10.5), 1.5, c, darker(c, 0.4));
    disc(p, QPointF(8, 9.2), 3.6, Qt::white, darker(c, 0.4));
    disc(p, QPointF(8, 9.2), 2.0, hex("#263238"), Qt::transparent);
    disc(p, QPointF(7.3, 8.5), 0.6, Qt::white, Qt::transparent);
}

void key(QPainter &p, const QColor &c)
{
    const QColor d = darker(c, 0.35);
    disc(p, QPointF(4.8, 8), 3.9, c, d);
    disc(p, QPointF(4.0, 8), 1.2, Qt::white, d);
    p.setPen(QPen(d, 1));
    p.setBrush(c);
    p.drawRect(QRectF(8.2, 6.9, 7, 2.4));
    p.drawRect(QRectF(11.5, 9.3, 1.5, 2.6));
    p.drawRect(QRectF(13.8, 9.3, 1.4, 1.8));
}

void lockIcon(QPainter &p, const QColor &c)
{
    QPainterPath shackle;
    shackle.moveTo(4.8, 8);
    shackle.lineTo(4.8, 5);
    shackle.arcTo(QRectF(4.8, 1.4, 6.4, 6.4), 180, -180);
    shackle.lineTo(11.2, 8);
    stroke(p, shackle, hex("#78909c"), 1.8);
    roundBox(p, QRectF(2.5, 7, 11, 8.5), 1.2, c, darker(c, 0.35));
    disc(p, QPointF(8, 10.3), 1.3, hex("#212121"), Qt::transparent);
    p.fillRect(QRectF(7.4, 10.5, 1.2, 2.8), hex("#212121"));
}

void pin(QPainter &p, const QColor &c)
{
    QPainterPath drop;
    drop.moveTo(8, 15.4);
    drop.cubicTo(6.5, 11.6, 2.6, 9.4, 2.6, 6);
    drop.cubicTo(2.6, 2.9, 5, 0.6, 8, 0.6);
    drop.cubicTo(11, 0.6, 13.4, 2.9, 13.4, 6);
    drop.cubicTo(13.4, 9.4, 9.5, 11.6, 8, 15.4);
    shape(p, drop, c, 0.35);
    disc(p, QPointF(8, 6), 2.2, Qt::white, Qt::transparent);
}

void tag(QPainter &p, const QColor &c)
{
    QPolygonF t({QPointF(1.5, 1.5), QPointF(8.2, 1.5), QPointF(14.8, 8.1), QPointF(8.1, 14.8),
                 QPointF(1.5, 8.2)});
    shape(p, t, c, 0.4);
    disc(p, QPointF(5, 5), 1.5, Qt::white, darker(c, 0.4));
}

void gear(QPainter &p, const QColor &c)
{
    QPolygonF g;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = 2 * M_PI * (i - 0.5) / (teeth * 4);
        const double r = (i % 4 == 0 || i % 4 == 1) ? 7.4 : 5.4;
        g << QPointF(8 + r * qCos(a), 8 + r * qSin(a));
    }
    shape(p, g, c, 0.4);
    disc(p, QPointF(8, 8), 2.2, Qt::white, darker(c, 0.4));
}

void calendar(QPainter &p, const QColor &c)
{
    box(p, 1, 2, 14, 13, Qt::white, hex("#78909c"));
    box(p, 1, 2, 14, 4, c, darker(c, 0.25));
    p.fillRect(QRectF(4, 1, 1.5, 3), hex("#37474f"));
    p.fillRect(QRectF(10.5, 1, 1.5, 3), hex("#37474f"));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.fillRect(QRectF(3 + col * 3, 7.5 + row * 2.3, 2, 1.4), row == 1 && col == 2 ? c : hex("#90a4ae"));
}

void chat(QPainter &p, const QColor &c)
{
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(0.8, 1.5, 14.4, 10), 3, 3);
    QPainterPath tail;
    tail.moveTo(3.5, 10);
    tail.lineTo(3, 15);
    tail.lineTo(8, 10.5);
    tail.closeSubpath();
    shape(p, bubble.united(tail), c, 0.3);
    for (int i = 0; i < 3; ++i)
        disc(p, QPointF(4.6 + i * 3.4, 6.5), 1.1, Qt::white, Qt::transparent);
}

void globe(QPainter &p, const QColor &c)
{
    disc(p, QPointF(8, 8), 7, c, darker(c, 0.3));
    p.save();
    p.setPen(QPen(lighter(c, 0.7), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8, 8), 3, 7);
    p.drawLine(QPointF(8, 1), QPointF(8, 15));
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    p.drawLine(QPointF(2.4, 4.6), QPointF(13.6, 4.6));
    p.drawLine(QPointF(2.4, 11.4), QPointF(13.6, 11.4));
    p.restore();
}

struct NoteIcon
{
    Icon draw;
    const char *colour;
};

} // namespace

namespace images {

QImage noteStrip()
{
    // Colours are all different so the icons stay apart even when shrunk.
    const std::array<NoteIcon, 24> icons{{
        {note, "#3949ab"},     {star, "#ffb300"},     {flag, "#e53935"},     {clockIcon, "#1e88e5"},
        {book, "#8d6e63"},     {heart, "#ec407a"},    {lightbulb, "#fdd835"}, {check, "#43a047"},
        {warning, "#fb8c00"},  {folderIcon, "#e2b65a"}, {mail, "#29b6f6"},   {phone, "#424242"},
        {person, "#7e57c2"},   {house, "#689f38"},    {music, "#ab47bc"},    {camera, "#607d8b"},
        {key, "#c9a227"},      {lockIcon, "#00897b"}, {pin, "#d84315"},      {tag, "#9ccc65"},
        {gear, "#9e9e9e"},     {calendar, "#c62828"}, {chat, "#00acc1"},     {globe, "#0d47a1"},
    }};
    Canvas strip(16 * int(icons.size()), 16);
    for (size_t i = 0; i < icons.size(); ++i) {
        QPainter &p = strip.p();
        p.save();
        p.translate(16.0 * double(i), 0);
        p.setClipRect(QRectF(0, 0, 16, 16));
        icons[i].draw(p, hex(icons[i].colour));
        p.restore();
    }
    return strip.finish();
}

} // namespace images
