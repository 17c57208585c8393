#include "dialogs/DialogLook.h"

#include "controls/Twips.h"

#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPushButton>

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

// A picture drawn on a 32 x 32 grid, scaled to size.
class Picture
{
public:
    explicit Picture(int size) : m_pixmap(transparentPixmap(size)), m_painter(&m_pixmap)
    {
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.scale(size / 32.0, size / 32.0);
    }
    QPainter &painter() { return m_painter; }
    QPixmap finish()
    {
        m_painter.end();
        return m_pixmap;
    }

private:
    QPixmap m_pixmap;
    QPainter m_painter;
};

QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(points));
    path.closeSubpath();
    return path;
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

int twips(int value)
{
    return Tools::TwipsToPixels(value);
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

std::pair<QPushButton *, QPushButton *> okCancelButtons(QWidget *parent)
{
    return {named<QPushButton>("cmdOK", parent, QStringLiteral("确定")),
            named<QPushButton>("cmdCancel", parent, QStringLiteral("取消"))};
}

QHBoxLayout *buttonRow(QPushButton *ok, QPushButton *cancel)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QLabel *arialLabel(const char *name, const QString &text, QWidget *parent)
{
    QLabel *label = named<QLabel>(name, parent, text);
    label->setFont(QFont(QStringLiteral("Arial")));
    return label;
}

QLineEdit *passwordBox(const char *name, QWidget *parent)
{
    QLineEdit *box = named<QLineEdit>(name, parent);
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(50);
    setBackground(box, normalColor());
    return box;
}

QLabel *pictureLabel(const QPixmap &picture, QWidget *parent)
{
    QLabel *label = named<QLabel>("Image1", parent);
    label->setPixmap(picture);
    return label;
}

QPixmap keyPicture(int size)
{
    Picture picture(size);
    QPainter &p = picture.painter();
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
    p.drawPath(polygonPath({{15, 15}, {29, 29}, {26, 31}, {24, 29}, {22, 31}, {20, 27}, {13, 19}}));
    return picture.finish();
}

QPixmap movePicture(int size)
{
    Picture picture(size);
    QPainter &p = picture.painter();
    // A folder ...
    p.setPen(QPen(QColor(150, 110, 20), 1.2));
    p.setBrush(QColor(246, 206, 90));
    p.drawPath(polygonPath({{2, 10}, {11, 10}, {13, 13}, {30, 13}, {30, 29}, {2, 29}}));
    // ... and a sheet of paper going into it.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 2, 12, 15));
    p.setPen(QPen(QColor(30, 110, 200), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(22, 4), QPointF(22, 20));
    p.drawLine(QPointF(18, 16), QPointF(22, 21));
    p.drawLine(QPointF(26, 16), QPointF(22, 21));
    return picture.finish();
}

} // namespace DialogLook
