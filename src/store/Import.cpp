#include "store/Import.h"

#include "store/NotebookFile.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace {

void bindText(SQLite::Statement &s, int index, const std::optional<QString> &value)
{
    if (!value)
        s.bind(index); // NULL
    else
        s.bind(index, value->toUtf8().toStdString());
}

void bindInt(SQLite::Statement &s, int index, const std::optional<qint64> &value)
{
    if (!value)
        s.bind(index);
    else
        s.bind(index, int64_t(*value));
}

void insertRows(SQLite::Database &db, const ImportRows &rows)
{
    SQLite::Transaction tx(db, SQLite::TransactionBehavior::IMMEDIATE);
    SQLite::Statement admin(db, "INSERT INTO admin (vPassword) VALUES (?)");
    for (const auto &password : rows.admin) {
        bindText(admin, 1, password);
        admin.exec();
        admin.reset();
    }
    SQLite::Statement group(db, "INSERT INTO Groups (ID, vGroupName) VALUES (?, ?)");
    for (const ImportGroup &g : rows.groups) {
        group.bind(1, int64_t(g.ID));
        bindText(group, 2, g.vGroupName);
        group.exec();
        group.reset();
    }
    SQLite::Statement note(db,
                           "INSERT INTO Notes (ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, "
                           "nIcon, nGroupID, nColor, nNote) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const ImportNote &n : rows.notes) {
        note.bind(1, int64_t(n.ID));
        bindText(note, 2, n.nNoteTitle);
        bindText(note, 3, n.nAddDate);
        bindText(note, 4, n.nLastUpdate);
        bindText(note, 5, n.nPriority);
        bindInt(note, 6, n.nIcon);
        bindInt(note, 7, n.nGroupID);
        bindText(note, 8, n.nColor);
        bindText(note, 9, n.nNote);
        note.exec();
        note.reset();
    }
    tx.commit();
}

} // namespace

int ImportNotebook(const QString &path, const ImportRows &rows, QString *error)
{
    return NotebookFile::create(path, 5000, [&](SQLite::Database &db) { insertRows(db, rows); },
                                error)
        ? 1
        : 0;
}
