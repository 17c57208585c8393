#include "mainwindow/GroupTree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

GroupTree::GroupTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A double click renames a group; it must not fold the tree as well.
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
}

void GroupTree::clear()
{
    m_pressed = nullptr;
    ++m_generation;
    QTreeWidget::clear();
    m_nodes.clear();
}

QIcon GroupTree::nodeIcon(int image, int selectedImage) const
{
    QIcon icon;
    if (image >= 1 && image <= m_images.size())
        icon.addPixmap(m_images.at(image - 1).pixmap(16, 16), QIcon::Normal);
    if (selectedImage >= 1 && selectedImage <= m_images.size())
        icon.addPixmap(m_images.at(selectedImage - 1).pixmap(16, 16), QIcon::Selected);
    return icon;
}

void GroupTree::addNode(const QString &parentKey, const QString &key, const QString &text, int image,
                        int selectedImage)
{
    QTreeWidgetItem *parentItem = nullptr;
    if (!parentKey.isEmpty()) {
        for (QTreeWidgetItem *n : std::as_const(m_nodes)) {
            if (keyOf(n) == parentKey) {
                parentItem = n;
                break;
            }
        }
        if (!parentItem)
            return;
    }
    auto *item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setData(0, Qt::UserRole, key);
    item->setIcon(0, nodeIcon(image, selectedImage));
    item->setForeground(0, m_nodeColor);
    m_nodes.append(item);
    // Groups are what the user came for: keep them in sight under the root.
    if (parentItem && !parentItem->isExpanded())
        parentItem->setExpanded(true);
}

QTreeWidgetItem *GroupTree::node(int index) const
{
    if (index < 1 || index > m_nodes.size())
        return nullptr;
    return m_nodes.at(index - 1);
}

int GroupTree::indexOf(const QTreeWidgetItem *item) const
{
    if (!item)
        return 0;
    const qsizetype i = m_nodes.indexOf(const_cast<QTreeWidgetItem *>(item));
    return i < 0 ? 0 : int(i) + 1;
}

QString GroupTree::keyOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void GroupTree::setNodeColor(const QColor &color)
{
    m_nodeColor = color;
    for (QTreeWidgetItem *n : std::as_const(m_nodes))
        n->setForeground(0, color);
}

void GroupTree::mousePressEvent(QMouseEvent *event)
{
    const int button = event->button() == Qt::RightButton ? 2 : event->button() == Qt::LeftButton ? 1 : 4;
    Q_EMIT mouseDown(button, event->globalPosition().toPoint());
    QTreeWidget::mousePressEvent(event);
    // A press on the fold arrow only folds; a press on the node itself is a node click.
    QTreeWidgetItem *hit = itemAt(event->position().toPoint());
    const QModelIndex idx = indexFromItem(hit);
    m_pressed = (hit && event->position().x() >= visualRect(idx).left()) ? hit : nullptr;
}

void GroupTree::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    QTreeWidgetItem *pressed = m_pressed;
    m_pressed = nullptr;
    if (m_afterDoubleClick) {
        m_afterDoubleClick = false;
        return;
    }
    if (!pressed || itemAt(event->position().toPoint()) != pressed)
        return;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    setCurrentItem(pressed);
    Q_EMIT nodeClick(indexOf(pressed));
}

void GroupTree::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_afterDoubleClick = true;
    m_pressed = nullptr;
    if (event->button() == Qt::LeftButton)
        Q_EMIT dblClick();
}

void GroupTree::keyPressEvent(QKeyEvent *event)
{
    const quint64 generation = m_generation;
    Q_EMIT keyDown(event->key(), event->modifiers());
    // The key may have run a command that rebuilt the tree; then it has done its work.
    if (generation != m_generation)
        return;
    QTreeWidgetItem *before = currentItem();
    QTreeWidget::keyPressEvent(event);
    // Moving with the arrow keys selects a node just as a click does.
    QTreeWidgetItem *after = currentItem();
    if (after && after != before)
        Q_EMIT nodeClick(indexOf(after));
}
