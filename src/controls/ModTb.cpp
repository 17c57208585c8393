#include "controls/ModTb.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QPainter>
#include <QStyleOptionToolBar>
#include <QToolBar>

namespace {

// Paints the texture instead of the style's toolbar panel, for every toolbar of the process: the
// texture belongs to the toolbar kind, not to one toolbar. Buttons and other children paint
// themselves on top as usual.
class ToolbarTextureFilter : public QObject
{
    Q_OBJECT

public:
    explicit ToolbarTextureFilter(QObject *parent) : QObject(parent) {}

    QPixmap texture;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || texture.isNull())
            return false;
        auto *tb = qobject_cast<QToolBar *>(watched);
        if (!tb)
            return false;
        paint(tb);
        return true;
    }

private:
    void paint(QToolBar *tb) const
    {
        QPainter p(tb);
        p.fillRect(tb->rect(), QBrush(texture));
        // Keep the grip, so a movable toolbar can still be dragged.
        QStyleOptionToolBar opt;
        opt.initFrom(tb);
        opt.rect = tb->rect();
        if (tb->orientation() == Qt::Horizontal)
            opt.state |= QStyle::State_Horizontal;
        opt.features = tb->isMovable() ? QStyleOptionToolBar::Movable : QStyleOptionToolBar::None;
        if (auto *mw = qobject_cast<QMainWindow *>(tb->parentWidget()))
            opt.toolBarArea = mw->toolBarArea(tb);
        opt.lineWidth = tb->style()->pixelMetric(QStyle::PM_ToolBarFrameWidth, &opt, tb);
        const QRect handle = tb->style()->subElementRect(QStyle::SE_ToolBarHandle, &opt, tb);
        if (tb->isMovable() && handle.isValid()) {
            opt.rect = handle;
            tb->style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &opt, &p, tb);
        }
    }
};

ToolbarTextureFilter *findFilter()
{
    return qApp ? qApp->findChild<ToolbarTextureFilter *>(QString(), Qt::FindDirectChildrenOnly)
                : nullptr;
}

} // namespace

namespace ModTb {

void SetToolbarTexture(const QPixmap &texture)
{
    if (!qApp)
        return;
    ToolbarTextureFilter *filter = findFilter();
    if (texture.isNull()) {
        delete filter; // owned by the application object; gone with it otherwise
    } else {
        if (!filter) {
            filter = new ToolbarTextureFilter(qApp);
            qApp->installEventFilter(filter);
        }
        filter->texture = texture;
    }
    for (QWidget *w : QApplication::allWidgets()) {
        if (qobject_cast<QToolBar *>(w))
            w->update();
    }
}

QPixmap ToolbarTexture()
{
    const ToolbarTextureFilter *filter = findFilter();
    return filter ? filter->texture : QPixmap();
}

} // namespace ModTb

#include "ModTb.moc"
