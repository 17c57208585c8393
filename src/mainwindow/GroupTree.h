#pragma once

#include "store/Sinks.h"

#include <QIcon>
#include <QList>
#include <QTreeWidget>

// The group tree: a root node "M_TOP" and one child per group, addressed like the rest of the
// window does it, by 1-based node index in the order the nodes were added.
class GroupTree : public QTreeWidget, public GroupSink
{
    Q_OBJECT

public:
    explicit GroupTree(QWidget *parent = nullptr);

    // GroupSink
    void clear() override;
    void addNode(const QString &parentKey, const QString &key, const QString &text, int image,
                 int selectedImage) override;

    // Node images 1..n.
    void setImages(const QList<QIcon> &images) { m_images = images; }

    int nodeCount() const { return int(m_nodes.size()); }
    QTreeWidgetItem *node(int index) const; // nullptr out of range
    int indexOf(const QTreeWidgetItem *item) const; // 0 when not a node of this tree
    static QString keyOf(const QTreeWidgetItem *item);
    int selectedIndex() const { return indexOf(currentItem()); }
    void setNodeColor(const QColor &color);

Q_SIGNALS:
    void mouseDown(int button, const QPoint &globalPos);
    void nodeClick(int index);
    void dblClick();
    void keyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QIcon nodeIcon(int image, int selectedImage) const;

    QList<QTreeWidgetItem *> m_nodes;
    QList<QIcon> m_images;
    QColor m_nodeColor = Qt::black;
    QTreeWidgetItem *m_pressed = nullptr;
    bool m_afterDoubleClick = false;
    quint64 m_generation = 0; // bumped by every clear
};
