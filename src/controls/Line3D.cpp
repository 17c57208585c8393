#include "controls/Line3D.h"

#include <QPainter>

Line3D::Line3D(QWidget *parent) : QWidget(parent)
{
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize Line3D::sizeHint() const
{
    return {100, kHeight};
}

QSize Line3D::minimumSizeHint() const
{
    return {0, kHeight};
}

void Line3D::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width();
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, 0, w - 1, 0);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(0, 1, w - 1, 1);
}
