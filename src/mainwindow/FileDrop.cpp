#include "mainwindow/FileDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

FileDrop::FileDrop(QWidget *widget, Target target, Dropped dropped)
    : QObject(widget)
    , m_target(std::move(target))
    , m_dropped(std::move(dropped))
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

void FileDrop::install(QWidget *widget, Target target, Dropped dropped)
{
    new FileDrop(widget, std::move(target), std::move(dropped));
}

QStringList FileDrop::localFiles(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            return {};
        paths << url.toLocalFile();
    }
    return paths;
}

bool FileDrop::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Files entering anywhere are followed, so that moving on to a place that takes them works.
        auto *drag = static_cast<QDropEvent *>(event);
        const bool files = !localFiles(drag->mimeData()).isEmpty();
        const bool takes = files && (event->type() == QEvent::DragEnter || m_target(drag->position().toPoint()) > 0);
        if (takes) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = localFiles(drop->mimeData());
        const int node = paths.isEmpty() ? 0 : m_target(drop->position().toPoint());
        if (node <= 0) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        QTimer::singleShot(0, this, [this, node, paths] { m_dropped(node, paths); });
        return true;
    }
    default:
        return false;
    }
}
