#include "mainwindow/SkinPane.h"

#include "controls/SkinPaint.h"

#include <QPainter>

SkinPane::SkinPane(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinPane::setPainted(bool painted)
{
    m_painted = painted;
    update();
}

void SkinPane::setTexture(const QBrush &brush)
{
    m_texture = brush;
    update();
}

void SkinPane::setSkin(int skin)
{
    m_skin = skin;
    update();
}

void SkinPane::setGrip(const QPixmap &grip)
{
    m_grip = grip;
    update();
}

void SkinPane::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!m_painted) {
        p.fillRect(rect(), m_plain);
        return;
    }
    Tools::PaintPane(p, rect(), m_texture.style() == Qt::NoBrush ? QBrush(m_plain) : m_texture, m_skin);
    if (!m_grip.isNull())
        p.drawPixmap(width() - 12, height() - 12, m_grip);
}
