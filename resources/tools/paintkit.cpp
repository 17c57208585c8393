#include "paintkit.h"

#include <QPainterPath>

namespace kit {

Canvas::Canvas(int width, int height, QColor background)
    : m_image(width, height, QImage::Format_ARGB32_Premultiplied)
{
    m_image.fill(background);
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing, true);
}

QImage Canvas::finish()
{
    m_painter.end();
    return m_image.convertToFormat(QImage::Format_ARGB32);
}

QColor hex(const char *rgb)
{
    return QColor(QLatin1String(rgb));
}

QColor mix(const QColor &a, const QColor &b, double t)
{
    auto lerp = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

QColor darker(const QColor &c, double amount)
{
    return mix(c, QColor(0, 0, 0, c.alpha()), amount);
}

QColor lighter(const QColor &c, double amount)
{
    return mix(c, QColor(255, 255, 255, c.alpha()), amount);
}

void box(QPainter &p, double x, double y, double w, double h, const QColor &fill, const QColor &line)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(x, y, w, h), fill);
    p.setPen(QPen(line, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x, y, w - 1, h - 1)); // aliased 1 px pens cover x .. x + w - 1
    p.restore();
}

void roundBox(QPainter &p, const QRectF &r, double radius, const QColor &fill, const QColor &line)
{
    p.save();
    p.setPen(QPen(line, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

void hline(QPainter &p, double x1, double x2, double y, const QColor &c)
{
    p.fillRect(QRectF(x1, y, x2 - x1 + 1, 1), c);
}

void vline(QPainter &p, double x, double y1, double y2, const QColor &c)
{
    p.fillRect(QRectF(x, y1, 1, y2 - y1 + 1), c);
}

void disc(QPainter &p, QPointF centre, double radius, const QColor &fill, const QColor &line)
{
    p.save();
    p.setPen(line.alpha() ? QPen(line, 1) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void stroke(QPainter &p, const QPainterPath &path, const QColor &c, double width)
{
    p.save();
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();
}

void page(QPainter &p, const QRectF &r, const QColor &line, bool withText)
{
    const double fold = r.width() >= 14 ? 5 : 4;
    QPainterPath outline;
    outline.moveTo(r.left() + 0.5, r.top() + 0.5);
    outline.lineTo(r.right() - fold + 0.5, r.top() + 0.5);
    outline.lineTo(r.right() - 0.5, r.top() + fold - 0.5);
    outline.lineTo(r.right() - 0.5, r.bottom() - 0.5);
    outline.lineTo(r.left() + 0.5, r.bottom() - 0.5);
    outline.closeSubpath();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(line, 1));
    p.setBrush(Qt::white);
    p.drawPath(outline.translated(-0.5, -0.5));
    QPainterPath ear;
    ear.moveTo(r.right() - fold, r.top());
    ear.lineTo(r.right() - fold, r.top() + fold - 1);
    ear.lineTo(r.right() - 1, r.top() + fold - 1);
    ear.closeSubpath();
    p.setBrush(lighter(line, 0.7));
    p.drawPath(ear);
    if (withText) {
        const QColor text = lighter(line, 0.35);
        for (double y = r.top() + fold + 1; y < r.bottom() - 2; y += 2.0)
            hline(p, r.left() + 2, r.right() - 3 - (int(y) % 4 == 0 ? 2 : 0), y, text);
    }
    p.restore();
}

void folder(QPainter &p, const QRectF &r, const QColor &body, bool open)
{
    const QColor line = darker(body, 0.45);
    const QColor back = darker(body, 0.12);
    const double tabW = r.width() * 0.4;
    p.save();
    p.setPen(QPen(line, 1));
    // Back panel with its tab.
    QPainterPath backPath;
    backPath.moveTo(r.left() + 0.5, r.top() + 1.5);
    backPath.lineTo(r.left() + tabW - 1, r.top() + 1.5);
    backPath.lineTo(r.left() + tabW + 1, r.top() + 3.5);
    backPath.lineTo(r.right() - 0.5, r.top() + 3.5);
    backPath.lineTo(r.right() - 0.5, r.bottom() - 0.5);
    backPath.lineTo(r.left() + 0.5, r.bottom() - 0.5);
    backPath.closeSubpath();
    p.setBrush(back);
    p.drawPath(backPath);
    if (open) {
        // A sheet of paper peeking out, and the front flap tilted open.
        p.setBrush(Qt::white);
        p.setPen(QPen(hex("#9aa4ad"), 1));
        p.drawRect(QRectF(r.left() + 2.5, r.top() + 3.5, r.width() - 5, r.height() * 0.5));
        QPainterPath flap;
        const double y0 = r.top() + r.height() * 0.42;
        flap.moveTo(r.left() + r.width() * 0.22, y0 + 0.5);
        flap.lineTo(r.right() + 0.0, y0 + 0.5);
        flap.lineTo(r.right() - r.width() * 0.2, r.bottom() - 0.5);
        flap.lineTo(r.left() + 0.5, r.bottom() - 0.5);
        flap.closeSubpath();
        p.setPen(QPen(line, 1));
        p.setBrush(lighter(body, 0.25));
        p.drawPath(flap);
    } else {
        p.setBrush(body);
        p.drawRect(QRectF(r.left() + 0.5, r.top() + r.height() * 0.32 + 0.5, r.width() - 1,
                          r.height() * 0.68 - 1));
        // Highlight along the front flap's top edge.
        p.setPen(QPen(lighter(body, 0.5), 1));
        p.drawLine(QPointF(r.left() + 1.5, r.top() + r.height() * 0.32 + 1.5),
                   QPointF(r.right() - 1.5, r.top() + r.height() * 0.32 + 1.5));
    }
    p.restore();
}

void cylinder(QPainter &p, const QRectF &r, const QColor &body)
{
    const QColor line = darker(body, 0.4);
    const double capH = r.height() * 0.28;
    p.save();
    p.setPen(QPen(line, 1));
    QLinearGradient shade(r.topLeft(), r.topRight());
    shade.setColorAt(0, lighter(body, 0.15));
    shade.setColorAt(0.35, lighter(body, 0.35));
    shade.setColorAt(1, darker(body, 0.1));
    p.setBrush(shade);
    const QRectF inner = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath side;
    side.moveTo(inner.left(), inner.top() + capH / 2);
    side.lineTo(inner.left(), inner.bottom() - capH / 2);
    side.arcTo(QRectF(inner.left(), inner.bottom() - capH, inner.width(), capH), 180, 180);
    side.lineTo(inner.right(), inner.top() + capH / 2);
    side.closeSubpath();
    p.drawPath(side);
    // Bands between stacked "platters".
    p.setBrush(Qt::NoBrush);
    for (int band = 1; band <= 2; ++band) {
        const double y = inner.top() + capH / 2 + (inner.height() - capH) * band / 3.0;
        p.drawArc(QRectF(inner.left(), y - capH / 2, inner.width(), capH), 180 * 16, 180 * 16);
    }
    p.setBrush(lighter(body, 0.55));
    p.drawEllipse(QRectF(inner.left(), inner.top(), inner.width(), capH));
    p.restore();
}

void pencil(QPainter &p, QPointF tip, double length, double width)
{
    // Drawn pointing down-left at 45 degrees from the tip.
    p.save();
    p.translate(tip);
    p.rotate(-45);
    const double w = width / 2;
    const double cone = width * 1.1;
    QPainterPath wood;
    wood.moveTo(0, 0);
    wood.lineTo(cone, -w);
    wood.lineTo(cone, w);
    wood.closeSubpath();
    p.setPen(QPen(hex("#6d4c1f"), 0.8));
    p.setBrush(hex("#f3d39b"));
    p.drawPath(wood);
    p.setPen(Qt::NoPen);
    p.setBrush(hex("#37474f"));
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(cone * 0.4, -w * 0.4), QPointF(cone * 0.4, w * 0.4)}));
    p.setPen(QPen(hex("#8a5a00"), 0.8));
    p.setBrush(hex("#ffb300"));
    p.drawRect(QRectF(cone, -w, length - cone - width, width));
    p.setBrush(hex("#ef9a9a"));
    p.drawRect(QRectF(length - width, -w, width, width));
    p.restore();
}

void badge(QPainter &p, QPointF centre, double radius, Badge kind)
{
    const QColor fill = kind == Badge::Plus ? hex("#2e9d46") : hex("#d93025");
    disc(p, centre, radius, fill, darker(fill, 0.3));
    p.save();
    p.setPen(QPen(Qt::white, radius >= 5 ? 2.0 : 1.6, Qt::SolidLine, Qt::FlatCap));
    const double arm = radius * 0.55;
    if (kind == Badge::Plus) {
        p.drawLine(QPointF(centre.x() - arm, centre.y()), QPointF(centre.x() + arm, centre.y()));
        p.drawLine(QPointF(centre.x(), centre.y() - arm), QPointF(centre.x(), centre.y() + arm));
    } else {
        const double d = arm * 0.85;
        p.drawLine(QPointF(centre.x() - d, centre.y() - d), QPointF(centre.x() + d, centre.y() + d));
        p.drawLine(QPointF(centre.x() - d, centre.y() + d), QPointF(centre.x() + d, centre.y() - d));
    }
    p.restore();
}

} // namespace kit
