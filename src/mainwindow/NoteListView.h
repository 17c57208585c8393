#pragma once

#include <QStackedWidget>

class NoteListModel;
class QAbstractItemView;
class QListView;
class QTreeView;
class SortHeader;

// The note list: one model shown either as a report (columns) or as large icons. Indexes are
// 1-based positions in the order shown, as the window addresses items.
class NoteListView : public QStackedWidget
{
    Q_OBJECT

public:
    explicit NoteListView(QWidget *parent = nullptr);

    NoteListModel *model() const { return m_model; }
    QTreeView *reportView() const { return m_report; }
    QListView *iconView() const { return m_icons; }
    SortHeader *header() const { return m_header; }
    QAbstractItemView *activeView() const;

    // 0 large icons, 3 report; any other value shows the report.
    int View() const;
    void setView(int mode);

    int count() const;
    int selectedIndex() const; // 0 when none
    bool selectIndex(int index); // false when out of range
    void focusView();
    // Makes the rows the store added visible; the first rows shown fit the columns.
    void refreshed();
    // Dates, priority and group as wide as their texts and titles; the title takes what is left.
    void fitColumns();

    // Called by the two inner views.
    void viewMousePress(QAbstractItemView *view, QMouseEvent *event);
    void viewDoubleClick();
    bool viewKeyPress(QAbstractItemView *view, QKeyEvent *event);
    void viewCurrentMoved(int row);

Q_SIGNALS:
    void mouseDown(int button, const QPoint &globalPos, bool onItem);
    void itemClick(int index);
    void dblClick();
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void columnClick(int column); // 1-based

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fitIconCells();

    NoteListModel *m_model = nullptr;
    QTreeView *m_report = nullptr;
    QListView *m_icons = nullptr;
    SortHeader *m_header = nullptr;
    bool m_columnsFitted = false;
};
