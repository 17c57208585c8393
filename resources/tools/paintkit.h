// Small drawing vocabulary shared by the image generator: every icon is built
// from these shapes so the set keeps one outline weight and one palette.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>

namespace kit {

// A transparent ARGB canvas with an antialiasing painter bound to it.
class Canvas
{
public:
    Canvas(int width, int height, QColor background = Qt::transparent);
    QPainter &p() { return m_painter; }
    QImage finish(); // ends painting; the canvas must not be drawn on afterwards

private:
    QImage m_image;
    QPainter m_painter;
};

QColor hex(const char *rgb);
QColor mix(const QColor &a, const QColor &b, double towardsB);
QColor darker(const QColor &c, double amount = 0.3);  // mix towards black
QColor lighter(const QColor &c, double amount = 0.6); // mix towards white

// Fills the pixel rectangle (x, y, w, h) and strokes a 1 px line on its
// outermost pixels, so outlines stay sharp at 16 x 16.
void box(QPainter &p, double x, double y, double w, double h, const QColor &fill, const QColor &line);
void roundBox(QPainter &p, const QRectF &r, double radius, const QColor &fill, const QColor &line);
void hline(QPainter &p, double x1, double x2, double y, const QColor &c); // pixel row y, x1..x2 inclusive
void vline(QPainter &p, double x, double y1, double y2, const QColor &c);
void disc(QPainter &p, QPointF centre, double radius, const QColor &fill, const QColor &line);
void stroke(QPainter &p, const QPainterPath &path, const QColor &c, double width);

// Composite shapes, all placed inside the given pixel rectangle.
void page(QPainter &p, const QRectF &r, const QColor &line, bool withText);
void folder(QPainter &p, const QRectF &r, const QColor &body, bool open);
void cylinder(QPainter &p, const QRectF &r, const QColor &body);
void pencil(QPainter &p, QPointF tip, double length, double width);

enum class Badge { Plus, Cross };
// Round badge in the bottom-right corner; readable as "add" or "remove" on any icon.
void badge(QPainter &p, QPointF centre, double radius, Badge kind);

} // namespace kit
