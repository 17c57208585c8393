#pragma once

#include <QWidget>

// An etched horizontal separator: a shadow line over a highlight line, two pixels high, as wide
// as its container makes it. Any other height snaps back to two pixels.
class Line3D : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 2;

    explicit Line3D(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
