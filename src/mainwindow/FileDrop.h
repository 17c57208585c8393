#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

// Lets a widget take files dropped from a file manager (local file URLs only). Where a drop may
// land is asked while it is dragged over; the drop itself is handed on after the drop event
// has finished, so the dragging program is not kept waiting while the files are read.
class FileDrop : public QObject
{
public:
    // The tree node the files would go to for a drop at pos (widget coordinates); 0 refuses.
    using Target = std::function<int(const QPoint &pos)>;
    using Dropped = std::function<void(int node, const QStringList &paths)>;

    static void install(QWidget *widget, Target target, Dropped dropped);

    // The local files among the dragged URLs; empty when any URL is not a local file.
    static QStringList localFiles(const QMimeData *mime);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FileDrop(QWidget *widget, Target target, Dropped dropped);

    Target m_target;
    Dropped m_dropped;
};
