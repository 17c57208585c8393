#include "controls/SortHeader.h"

#include <QStyleOptionHeader>
#include <QTreeView>

SortHeader::SortHeader(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
{
}

void SortHeader::setSortIcon(int column, const QIcon &image, bool show)
{
    const int old = column_;
    if (show) {
        column_ = column;
        image_ = image;
    } else if (column == column_) {
        column_ = -1;
        image_ = QIcon();
    }
    if (old >= 0)
        updateSection(old);
    if (column_ >= 0)
        updateSection(column_);
}

void SortHeader::initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (logicalIndex == column_ && !image_.isNull()) {
        option->icon = image_;
        option->iconAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
}

namespace Tools {

bool SetSortIcon(QTreeView *view, int column, const QIcon &image, bool show)
{
    auto *header = view ? qobject_cast<SortHeader *>(view->header()) : nullptr;
    if (!header)
        return false;
    header->setSortIcon(column, image, show);
    return true;
}

} // namespace Tools
