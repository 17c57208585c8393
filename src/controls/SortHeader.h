#pragma once

#include <QHeaderView>
#include <QIcon>

// A header that can show a sort image at the right of one section's text; every other section
// shows its text only. The captions come from the model as usual and are never changed here.
class SortHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit SortHeader(Qt::Orientation orientation = Qt::Horizontal, QWidget *parent = nullptr);

    // show = true puts `image` on section `column` (and takes it off any other section);
    // show = false takes the image off `column`.
    void setSortIcon(int column, const QIcon &image, bool show);

    int sortIconColumn() const { return column_; } // -1 when no section has one
    QIcon sortIcon() const { return image_; }

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override;

private:
    int column_ = -1;
    QIcon image_;
};

class QTreeView;

namespace Tools {

// Sets the image on the view's header; false, changing nothing, when the view has no SortHeader
// (give it one with view->setHeader(new SortHeader(Qt::Horizontal, view)) when building it).
bool SetSortIcon(QTreeView *view, int column, const QIcon &image, bool show);

} // namespace Tools
