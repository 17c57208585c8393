#include "dialogs/DialogLook.h"

#include <QDialog>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace DialogLook {

namespace {

// Watches one event type of one widget; parented to the widget, so it goes with it.
class EventHook : public QObject
{
public:
    EventHook(QWidget *watched, std::function<bool(QEvent *)> handler)
        : QObject(watched), m_handler(std::move(handler))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};

QPixmap transparentPixmap(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

} // namespace

QColor highlightColor()
{
    return QColor(191, 219, 255);
}

QColor normalColor()
{
    return QColor(255, 255, 255);
}

void prepareDialog(QDialog *dialog, bool fixedFrame)
{
    dialog->setModal(true);
    // An empty icon would fall back to the application's; a blank one really shows nothing.
    dialog->setWindowIcon(QIcon(transparentPixmap(16)));
    if (fixedFrame) {
        dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                               | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    }
}

void setBackground(QWidget *box, const QColor &color)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, color);
    box->setPalette(pal);
}

bool isHighlighted(const QWidget *box)
{
    return box->palette().color(QPalette::Base) == highlightColor();
}

void clearHighlight(QWidget *box)
{
    if (isHighlighted(box))
        setBackground(box, normalColor());
}

QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

int twips(int value)
{
    return (value + 7) / 15;
}

void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    int w = twips(width);
    int h = twips(height);
    if (qobject_cast<QLabel *>(widget)) {
        const QSize hint = widget->sizeHint();
        w = qMax(w, hint.width());
        h = qMax(h, hint.height());
    }
    widget->setGeometry(twips(left), twips(top), w, h);
}

void onEnterKey(QWidget *box, std::function<void()> fn)
{
    new EventHook(box, [fn = std::move(fn)](QEvent *event) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        fn();
        return true;
    });
}

void onMousePress(QWidget *box, std::function<void()> fn)
{
    new EventHook(box, [fn = std::move(fn)](QEvent *event) {
        if (event->type() == QEvent::MouseButtonPress)
            fn();
        return false;
    });
}

void onFocusOut(QWidget *box, std::function<void()> fn)
{
    new EventHook(box, [fn = std::move(fn)](QEvent *event) {
        if (event->type() == QEvent::FocusOut)
            fn();
        return false;
    });
}

QPixmap keyPicture(int size)
{
    QPixmap pm = transparentPixmap(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QColor gold(214, 168, 40);
    const QColor edge(120, 86, 10);
    p.setPen(QPen(edge, 1.5));
    p.setBrush(gold);
    // Bow of the key, with its hole.
    QPainterPath bow;
    bow.addEllipse(QPointF(10, 11), 8, 8);
    bow.addEllipse(QPointF(8, 9), 2.5, 2.5);
    p.drawPath(bow);
    // Shaft and two bits.
    QPainterPath shaft;
    shaft.moveTo(15, 15);
    shaft.lineTo(29, 29);
    shaft.lineTo(26, 31);
    shaft.lineTo(24, 29);
    shaft.lineTo(22, 31);
    shaft.lineTo(20, 27);
    shaft.lineTo(13, 19);
    shaft.closeSubpath();
    p.drawPath(shaft);
    return pm;
}

QPixmap movePicture(int size)
{
    QPixmap pm = transparentPixmap(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A folder ...
    p.setPen(QPen(QColor(150, 110, 20), 1.2));
    p.setBrush(QColor(246, 206, 90));
    QPainterPath folder;
    folder.moveTo(2, 10);
    folder.lineTo(11, 10);
    folder.lineTo(13, 13);
    folder.lineTo(30, 13);
    folder.lineTo(30, 29);
    folder.lineTo(2, 29);
    folder.closeSubpath();
    p.drawPath(folder);
    // ... and a sheet of paper going into it.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 2, 12, 15));
    p.setPen(QPen(QColor(30, 110, 200), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(22, 4), QPointF(22, 20));
    p.drawLine(QPointF(18, 16), QPointF(22, 21));
    p.drawLine(QPointF(26, 16), QPointF(22, 21));
    return pm;
}

} // namespace DialogLook
