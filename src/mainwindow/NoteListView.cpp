#include "mainwindow/NoteListView.h"

#include "controls/SortHeader.h"
#include "mainwindow/NoteListModel.h"

#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QTreeView>

namespace {

// Both inner views report their input to the list, which turns it into the list's own events.
template <class Base>
class InnerView : public Base
{
public:
    explicit InnerView(NoteListView *owner)
        : Base(owner), m_owner(owner)
    {
    }

protected:
    void mousePressEvent(QMouseEvent *event) override { m_owner->viewMousePress(this, event); }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_owner->viewDoubleClick();
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        if (m_owner->viewKeyPress(this, event))
            return;
        const QModelIndex before = this->currentIndex();
        Base::keyPressEvent(event);
        const QModelIndex after = this->currentIndex();
        if (after.isValid() && after.row() != before.row())
            m_owner->viewCurrentMoved(after.row());
    }

public:
    void basePress(QMouseEvent *event) { Base::mousePressEvent(event); }

private:
    NoteListView *m_owner;
};

using ReportView = InnerView<QTreeView>;
using IconView = InnerView<QListView>;

int buttonNumber(Qt::MouseButton b)
{
    return b == Qt::LeftButton ? 1 : b == Qt::RightButton ? 2 : 4;
}

} // namespace

NoteListView::NoteListView(QWidget *parent)
    : QStackedWidget(parent)
{
    m_model = new NoteListModel(this);

    auto *report = new ReportView(this);
    m_header = new SortHeader(Qt::Horizontal, report);
    m_header->setHighlightSections(false);
    report->setHeader(m_header);
    report->setModel(m_model);
    report->setRootIsDecorated(false);
    report->setItemsExpandable(false);
    report->setUniformRowHeights(true);
    report->setAllColumnsShowFocus(true);
    report->setSelectionMode(QAbstractItemView::SingleSelection);
    report->setSelectionBehavior(QAbstractItemView::SelectRows);
    report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The list sorts itself on a header click; the view's own sorting stays off, and switching
    // it off also makes the header unclickable, so that comes after.
    report->setSortingEnabled(false);
    m_header->setSectionsClickable(true);
    // Column widths of 3500 and 1440 twips.
    report->setColumnWidth(0, 233);
    report->setColumnWidth(1, 96);
    report->setColumnWidth(2, 96);
    report->setColumnWidth(3, 96);
    m_report = report;

    auto *icons = new IconView(this);
    icons->setModel(m_model);
    icons->setModelColumn(0);
    icons->setSelectionModel(report->selectionModel()); // one selection for both views
    icons->setViewMode(QListView::IconMode);
    icons->setMovement(QListView::Static);
    icons->setResizeMode(QListView::Adjust);
    icons->setUniformItemSizes(true);
    icons->setWordWrap(true);
    icons->setIconSize(QSize(32, 32));
    icons->setGridSize(QSize(96, 64));
    icons->setLayoutMode(QListView::Batched);
    icons->setSelectionMode(QAbstractItemView::SingleSelection);
    icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons = icons;

    addWidget(m_report);
    addWidget(m_icons);
    setCurrentWidget(m_report);

    connect(m_header, &QHeaderView::sectionClicked, this, [this](int section) {
        Q_EMIT columnClick(section + 1);
    });
}

QAbstractItemView *NoteListView::activeView() const
{
    return static_cast<QAbstractItemView *>(currentWidget());
}

int NoteListView::View() const
{
    return currentWidget() == m_icons ? 0 : 3;
}

void NoteListView::setView(int mode)
{
    setCurrentWidget(mode == 0 ? static_cast<QWidget *>(m_icons) : m_report);
}

int NoteListView::count() const
{
    return m_model->rowCount();
}

int NoteListView::selectedIndex() const
{
    const QModelIndex cur = m_report->selectionModel()->currentIndex();
    return cur.isValid() ? cur.row() + 1 : 0;
}

bool NoteListView::selectIndex(int index)
{
    if (index < 1 || index > count())
        return false;
    const QModelIndex idx = m_model->index(index - 1, 0);
    m_report->selectionModel()->setCurrentIndex(
        idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    activeView()->scrollTo(idx);
    return true;
}

void NoteListView::focusView()
{
    activeView()->setFocus();
}

void NoteListView::refreshed()
{
    m_model->flush();
}

void NoteListView::viewMousePress(QAbstractItemView *view, QMouseEvent *event)
{
    const QModelIndex idx = view->indexAt(event->position().toPoint());
    Q_EMIT mouseDown(buttonNumber(event->button()), event->globalPosition().toPoint(), idx.isValid());
    // Let the view move its selection and focus, then report the item under the press.
    if (view == m_report)
        static_cast<ReportView *>(view)->basePress(event);
    else
        static_cast<IconView *>(view)->basePress(event);
    if (idx.isValid() && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        && idx.row() < count()) {
        selectIndex(idx.row() + 1);
        Q_EMIT itemClick(idx.row() + 1);
    }
}

void NoteListView::viewDoubleClick()
{
    Q_EMIT dblClick();
}

bool NoteListView::viewKeyPress(QAbstractItemView *, QKeyEvent *event)
{
    const int rowsBefore = count();
    const int selBefore = selectedIndex();
    Q_EMIT keyDown(event->key(), event->modifiers());
    // Enter, F2 and Delete belong to the list's commands; the view gets no say in them.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
    case Qt::Key_Delete:
        return true;
    default:
        return rowsBefore != count() || selBefore != selectedIndex();
    }
}

void NoteListView::viewCurrentMoved(int row)
{
    Q_EMIT itemClick(row + 1);
}
