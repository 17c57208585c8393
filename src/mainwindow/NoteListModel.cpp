#include "mainwindow/NoteListModel.h"

#include "settings/Colors.h"

#include <QBrush>
#include <QCollator>
#include <algorithm>

NoteListModel::NoteListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void NoteListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_pending.clear();
    endResetModel();
}

void NoteListModel::addItem(const NoteItem &item)
{
    // Rows are collected and announced once: a view told of 100,000 single inserts is slow.
    m_pending.push_back(item);
}

void NoteListModel::flush()
{
    if (m_pending.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(m_pending.size()) - 1);
    if (m_rows.empty()) {
        m_rows.swap(m_pending);
    } else {
        m_rows.insert(m_rows.end(), std::make_move_iterator(m_pending.begin()),
                      std::make_move_iterator(m_pending.end()));
        m_pending.clear();
    }
    endInsertRows();
}

int NoteListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int NoteListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_groupColumn ? GroupColumn + 1 : GroupColumn;
}

void NoteListModel::setGroupColumn(bool shown)
{
    if (shown == m_groupColumn)
        return;
    beginResetModel();
    m_groupColumn = shown;
    endResetModel();
}

QString NoteListModel::cellText(const NoteItem &it, int column) const
{
    switch (column) {
    case 0: return it.title;
    case 1: return it.added.text();
    case 2: return it.updated.text();
    case 3: return it.priority;
    case GroupColumn: return it.group;
    default: return {};
    }
}

QVariant NoteListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const NoteItem &it = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return cellText(it, index.column());
    case Qt::ForegroundRole:
        return QBrush(Tools::ColorFromBgr(index.column() == 3 ? it.priorityColor : it.color));
    case Qt::DecorationRole:
        if (index.column() == 0 && it.icon >= 1 && it.icon <= m_icons.size())
            return m_icons.at(it.icon - 1);
        return {};
    case Qt::UserRole:
        return it.key;
    default:
        return {};
    }
}

QVariant NoteListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[] = {"标题", "建立日期/时间", "最后更新", "优先", "分组"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
        return QString::fromUtf8(titles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void NoteListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> keyRows; // old row of each persistent index
    keyRows.reserve(size_t(before.size()));
    for (const QModelIndex &i : before)
        keyRows.push_back(i.row());

    // Texts compare ignoring case, as the user reads them. Keys are made once per row: comparing
    // through the collator each time costs seconds on a hundred thousand notes. Case is folded
    // here: not every collation back end honours case-insensitivity in its keys.
    // The two date columns compare by the date shown (as search ranks by it); a text that is no
    // date comes after the dates, among its like by text.
    const bool byDate = column == 1 || column == 2;
    std::vector<qint64> dates(byDate ? m_rows.size() : 0);
    for (size_t i = 0; i < dates.size(); ++i)
        dates[i] = (column == 1 ? m_rows[i].added : m_rows[i].updated).key();
    QCollator coll;
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) // a date's text is never compared
        keys.push_back(coll.sortKey(byDate && dates[i] != 0 ? QString() : cellText(m_rows[i], column).toCaseFolded()));
    const auto ascending = [&](int a, int b) {
        if (byDate) {
            const qint64 da = dates[size_t(a)], db = dates[size_t(b)];
            if ((da != 0) != (db != 0))
                return da != 0;
            if (da != 0)
                return da < db;
        }
        return keys[size_t(a)].compare(keys[size_t(b)]) < 0;
    };
    std::vector<int> perm(m_rows.size());
    for (size_t i = 0; i < perm.size(); ++i)
        perm[i] = int(i);
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        return order == Qt::AscendingOrder ? ascending(a, b) : ascending(b, a);
    });
    std::vector<NoteItem> sortedRows;
    sortedRows.reserve(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (size_t i = 0; i < perm.size(); ++i) {
        newRowOf[size_t(perm[i])] = int(i);
        sortedRows.push_back(std::move(m_rows[size_t(perm[i])]));
    }
    m_rows.swap(sortedRows);

    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(newRowOf[size_t(keyRows[size_t(i)])], before.at(i).column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void NoteListModel::setText(int row, const QString &text)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[size_t(row)].title = text;
    Q_EMIT dataChanged(index(row, 0), index(row, 0));
}

void NoteListModel::setIcons(const QList<QIcon> &icons)
{
    beginResetModel();
    m_icons = icons;
    endResetModel();
}
