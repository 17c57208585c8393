#include "mainwindow/NoteListView.h"

#include "controls/SortHeader.h"
#include "mainwindow/NoteListModel.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextLayout>
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

// In the icon view every item takes its whole cell: the title gets the cell's width under the
// icon, wraps onto a second line and is cut only there. Sized by its content, an item got only
// what the style guessed for its title, and titles were cut short with room to spare.
class IconCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize cell;

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override { return cell; }

protected:
    // The title is broken into its two lines here, the second cut with an ellipsis when the
    // title goes on; the style would otherwise fill whatever height the lines of a smaller
    // script leave.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QStyle *style = option->widget ? option->widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
        option->text = twoLines(option->text, option->font, cell.width() - 2 * margin);
    }

private:
    static QString twoLines(const QString &text, const QFont &font, int width)
    {
        QTextLayout layout(text, font);
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(wrap);
        layout.beginLayout();
        QTextLine first = layout.createLine();
        if (!first.isValid())
            return text;
        first.setLineWidth(width);
        layout.endLayout();
        const int rest = first.textStart() + first.textLength();
        if (rest >= text.size())
            return text;
        const QString second = QFontMetrics(font).elidedText(text.mid(rest), Qt::ElideRight, width);
        return text.left(rest).trimmed() + QLatin1Char('\n') + second;
    }
};

constexpr int kIconSize = 32;
constexpr int kIconCellWidth = 96;
constexpr int kIconCellGap = 4;
constexpr int kIconTitleLines = 2;

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
    icons->setIconSize(QSize(kIconSize, kIconSize));
    icons->setSpacing(0);
    icons->setItemDelegate(new IconCellDelegate(icons));
    icons->setLayoutMode(QListView::Batched);
    icons->setSelectionMode(QAbstractItemView::SingleSelection);
    icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons = icons;

    fitIconCells();

    addWidget(m_report);
    addWidget(m_icons);
    setCurrentWidget(m_report);

    connect(m_header, &QHeaderView::sectionClicked, this, [this](int section) {
        Q_EMIT columnClick(section + 1);
    });
}

void NoteListView::fitIconCells()
{
    // The style measures an item of the icon and two lines of the list's font, so exactly two
    // lines fit under the icon and a longer title is cut at the end of the second.
    QStyleOptionViewItem probe;
    probe.initFrom(m_icons);
    probe.font = m_icons->font();
    probe.fontMetrics = m_icons->fontMetrics();
    probe.features = QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasDisplay
                     | QStyleOptionViewItem::HasDecoration;
    probe.decorationPosition = QStyleOptionViewItem::Top;
    probe.decorationSize = m_icons->iconSize();
    probe.displayAlignment = Qt::AlignCenter;
    // A line as tall as a Chinese title needs: its glyphs may come from a taller fallback font.
    probe.text = QStringList(kIconTitleLines, QStringLiteral("Xg汉")).join(QLatin1Char('\n'));
    probe.rect = QRect(0, 0, kIconCellWidth - kIconCellGap, 0);
    const int height = m_icons->style()->sizeFromContents(QStyle::CT_ItemViewItem, &probe, QSize(), m_icons).height();
    const QSize item(kIconCellWidth - kIconCellGap, height);
    static_cast<IconCellDelegate *>(m_icons->itemDelegate())->cell = item;
    m_icons->setGridSize(item + QSize(kIconCellGap, kIconCellGap));
}

void NoteListView::changeEvent(QEvent *event)
{
    QStackedWidget::changeEvent(event);
    // The list's font (an option) reaches the icon view too, and its titles need their two lines.
    if (event->type() == QEvent::FontChange)
        fitIconCells();
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
    if (!m_columnsFitted && isVisible() && count() > 0)
        fitColumns();
}

void NoteListView::showEvent(QShowEvent *event)
{
    QStackedWidget::showEvent(event);
    if (!m_columnsFitted && count() > 0)
        fitColumns();
}

void NoteListView::fitColumns()
{
    m_columnsFitted = true;
    // Sized to the content, not stretched to the edge, while they are measured.
    const bool stretch = m_header->stretchLastSection();
    m_header->setStretchLastSection(false);
    int others = 0;
    for (int c = 1; c < m_model->columnCount(); ++c) {
        m_report->resizeColumnToContents(c);
        others += m_header->sectionSize(c);
    }
    const int minimumTitle = 8 * m_report->fontMetrics().averageCharWidth();
    // Room is kept for the scroll bar, which more rows bring later.
    const int room = m_report->width() - 2 * m_report->frameWidth() - m_report->verticalScrollBar()->sizeHint().width();
    m_header->resizeSection(0, qMax(room - others, minimumTitle));
    m_header->setStretchLastSection(stretch);
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
