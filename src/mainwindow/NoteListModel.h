#pragma once

#include "store/Sinks.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <vector>

// The rows of the note list, shared by its report view and its icon view. Filled by the store
// through NoteSink; sorting compares texts (dates in the date columns), and a refill shows the
// rows in the order they arrive.
class NoteListModel : public QAbstractTableModel, public NoteSink
{
    Q_OBJECT

public:
    explicit NoteListModel(QObject *parent = nullptr);

    // NoteSink
    void clear() override;
    void addItem(const NoteItem &item) override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Row as currently shown (0-based).
    const NoteItem &item(int row) const { return m_rows[size_t(row)]; }
    void setText(int row, const QString &text);

    // Images 1..n of the icon list; an item's icon number picks one.
    void setIcons(const QList<QIcon> &icons);
    const QList<QIcon> &icons() const { return m_icons; }

    // Makes rows added through addItem visible; the list calls it after a refill.
    void flush();

    // A fifth column with each note's group, for lists that mix groups (search results).
    static constexpr int GroupColumn = 4;
    void setGroupColumn(bool shown);
    bool groupColumn() const { return m_groupColumn; }

private:
    QString cellText(const NoteItem &it, int column) const;

    std::vector<NoteItem> m_rows;
    std::vector<NoteItem> m_pending; // rows added since the last flush, shown in one batch
    QList<QIcon> m_icons;
    bool m_groupColumn = false;
};
