#pragma once

#include <QBrush>
#include <QColor>
#include <QPixmap>
#include <QWidget>

// A title pane or the status strip: filled with the skin's texture and framed, or left plain.
class SkinPane : public QWidget
{
    Q_OBJECT

public:
    explicit SkinPane(QWidget *parent = nullptr);

    // Textured and framed (true) or cleared to the plain background (false).
    void setPainted(bool painted);
    bool painted() const { return m_painted; }
    void setTexture(const QBrush &brush);
    // The border colour follows the skin.
    void setSkin(int skin);
    // An 11 x 11 size grip drawn in the bottom-right corner; null for none.
    void setGrip(const QPixmap &grip);
    const QPixmap &grip() const { return m_grip; }
    int skin() const { return m_skin; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_painted = true;
    QBrush m_texture;
    int m_skin = 0;
    // Behind a pane that is not painted, and the fill of one without a texture.
    const QColor m_plain = QColor(0x80, 0x80, 0x80);
    QPixmap m_grip;
};
