#include "store/KeptNotes.h"

#include "store/NotebookInfo.h"
#include "store/NotebookPrivate.h"
#include "util/LeadingNumber.h"

#include <SQLiteCpp/Transaction.h>

#include <utility>

using StoreDetail::guarded;

namespace {

using StoreDetail::CurrentRow;

const char *const DeletedOne = "SELECT " QB_NOTE_COLUMNS ", n.ID, g.vGroupName FROM Notes n "
                               "LEFT JOIN Groups g ON g.ID = n.nGroupID WHERE n.ID = ?";
const char *const DeletedOfGroup = "SELECT " QB_NOTE_COLUMNS ", n.ID, g.vGroupName FROM Notes n "
                                   "LEFT JOIN Groups g ON g.ID = n.nGroupID WHERE n.nGroupID = ?";

} // namespace

NoteVersion StoreDetail::readVersion(const Query &q, QString *colorText)
{
    NoteVersion v;
    CurrentNote &n = v.note;
    n.NoteTitle = q.text(0);
    n.NoteAddDate = q.text(1);
    n.NoteLastUpdate = q.text(2);
    n.NotePriority = q.text(3);
    qint16 icon = 0;
    RoundToInt16(double(q.int64(4)), &icon);
    n.NoteIcon = icon;
    *colorText = q.text(5);
    qint32 color = 0;
    RoundToInt32(LeadingNumber(*colorText), &color);
    n.NoteColor = color;
    n.NoteBody = q.text(6);
    v.groupId = q.int64(7);
    return v;
}

namespace {

qint64 secondsOf(const QDateTime &t)
{
    return t.toSecsSinceEpoch();
}

bool exists(StatementCache &cache, const char *sql, qint64 id)
{
    Query q(cache, sql);
    q.bind(1, id);
    return q.step();
}

} // namespace

bool KeptNotes::available() const
{
    return nb_.open_ && nb_.conn_ && nb_.conn().history;
}

void KeptNotes::keepReplaced(qint64 id, const CurrentNote *next, qint64 nextGroupId)
{
    if (!nb_.conn().history)
        return;
    NoteVersion old;
    QString colorText;
    {
        Query cur(nb_.conn().cache, CurrentRow);
        cur.bind(1, id);
        if (!cur.step())
            return; // the write itself reports the missing note
        old = StoreDetail::readVersion(cur, &colorText);
    }
    bool changed = nextGroupId >= 0 && old.groupId != nextGroupId;
    if (next) {
        const CurrentNote &n = old.note;
        changed = changed || n.NoteTitle != next->NoteTitle || n.NoteBody != next->NoteBody
                  || n.NotePriority != next->NotePriority || n.NoteIcon != next->NoteIcon
                  || colorText != QString::number(next->NoteColor);
    }
    if (changed)
        keepVersion(id, old);
}

void KeptNotes::keepVersion(qint64 id, const NoteVersion &old)
{
    if (!nb_.conn().history)
        return;
    const QByteArray data = History::pack(old);
    const qint64 at = secondsOf(nb_.now());
    const std::optional<KeepLimits> limits = NotebookInfo::keepLimits(nb_.conn().db);
    keepIn(History::Table::NoteHistory, [&] {
        Query q(nb_.conn().cache, "INSERT INTO NoteHistory (NoteID, ReplacedAt, Title, Updated, Size, Stored, Data) "
                              "VALUES (?, ?, ?, ?, ?, ?, ?)");
        q.bind(1, id)
            .bind(2, at)
            .bind(3, old.note.NoteTitle)
            .bind(4, old.note.NoteLastUpdate)
            .bind(5, qint64(old.note.NoteBody.size()))
            .bind(6, qint64(data.size()))
            .bindBlob(7, data)
            .run();
        if (nb_.conn().historyBytes >= 0)
            nb_.conn().historyBytes += data.size();
        if (limits)
            dropOverLimits(id, *limits);
    });
}

void KeptNotes::keepDeleted(const char *selectNotes, qint64 key)
{
    if (!nb_.conn().history)
        return;
    struct Entry
    {
        qint64 noteId;
        QString groupName;
        NoteVersion version;
    };
    // Read in full first: the notes are not in the history, so their damage is not the history's.
    std::vector<Entry> entries;
    {
        Query notes(nb_.conn().cache, selectNotes);
        notes.bind(1, key);
        while (notes.step()) {
            QString colorText;
            entries.push_back({notes.int64(8), notes.text(9), StoreDetail::readVersion(notes, &colorText)});
        }
    }
    if (entries.empty())
        return;
    const qint64 at = secondsOf(nb_.now());
    keepIn(History::Table::DeletedNotes, [&] {
        for (const Entry &e : entries) {
            Query add(nb_.conn().cache, "INSERT INTO DeletedNotes (NoteID, GroupID, GroupName, DeletedAt, Title, Data) "
                                    "VALUES (?, ?, ?, ?, ?, ?)");
            add.bind(1, e.noteId)
                .bind(2, e.version.groupId)
                .bind(3, e.groupName)
                .bind(4, at)
                .bind(5, e.version.note.NoteTitle)
                .bindBlob(6, History::pack(e.version))
                .run();
        }
    });
}

void KeptNotes::keepIn(History::Table table, const std::function<void()> &write)
{
    try {
        write();
    } catch (const SQLite::Exception &e) {
        if ((e.getErrorCode() & 0xFF) == SQLITE_CORRUPT)
            throw StoreDetail::HistoryDamaged{table};
        throw; // a full disk, a lost lock: the write fails as it would have
    }
}

bool KeptNotes::mend(History::Table table, bool *setAsideBefore)
{
    // A table damaged again right after it was made afresh is not ours to mend: the history goes
    // off instead.
    if (std::exchange(*setAsideBefore, true)) {
        historyOff();
        return true;
    }
    return setAside(table);
}

bool KeptNotes::setAside(History::Table table)
{
    nb_.conn().historyBytes = -1;
    const bool deleted = table == History::Table::DeletedNotes;
    try {
        SQLite::Transaction tx(nb_.conn().db, SQLite::TransactionBehavior::IMMEDIATE);
        History::setAside(nb_.conn().db, table);
        tx.commit();
        nb_.notice_ = deleted ? QStringLiteral("最近删除的记事已损坏，已另外存放，从现在起重新保存。")
                          : QStringLiteral("历史版本已损坏，已另外存放，从现在起重新保存。");
    } catch (const SQLite::Exception &e) {
        const int code = e.getErrorCode() & 0xFF;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            return nb_.fail(QString::fromUtf8(e.what())); // the next write tries again
        historyOff();
    }
    return true;
}

void KeptNotes::historyOff()
{
    nb_.conn().history = false;
    nb_.notice_ = QStringLiteral("历史版本已损坏，无法修复；在关闭数据库之前，不再保存历史版本和删除的记事。");
}

QString KeptNotes::takeNotice()
{
    return std::exchange(nb_.notice_, QString());
}

void KeptNotes::keepDeletedNote(qint64 id)
{
    keepDeleted(DeletedOne, id);
}

void KeptNotes::keepDeletedGroup(qint64 groupId)
{
    keepDeleted(DeletedOfGroup, groupId);
}

// Runs inside the caller's transaction. The note's own limits are cheap (its index range); the
// notebook share needs the running sum, read once per connection.
void KeptNotes::dropOverLimits(qint64 noteId, const KeepLimits &limits)
{
    StatementCache &cache = nb_.conn().cache;
    const qint64 cutoff = secondsOf(nb_.now()) - qint64(limits.days) * 86400;
    qint64 dropped = 0;
    {
        Query old(cache, "SELECT ID, ReplacedAt, Stored FROM NoteHistory WHERE NoteID = ? ORDER BY ID DESC");
        old.bind(1, noteId);
        for (int kept = 0; old.step();) {
            if (kept < limits.versionsPerNote && old.int64(1) >= cutoff) {
                ++kept;
                continue;
            }
            Query del(cache, "DELETE FROM NoteHistory WHERE ID = ?");
            del.bind(1, old.int64(0)).run();
            dropped += old.int64(2);
        }
    }
    if (nb_.conn().historyBytes < 0) {
        Query sum(cache, "SELECT total(Stored) FROM NoteHistory");
        nb_.conn().historyBytes = sum.step() ? qint64(sum.int64(0)) : 0;
    } else {
        nb_.conn().historyBytes -= dropped;
    }
    Query pages(cache, "PRAGMA page_count");
    Query pageSize(cache, "PRAGMA page_size");
    if (!pages.step() || !pageSize.step())
        return;
    const qint64 allowed = pages.int64(0) * pageSize.int64(0) * limits.historyPercent / 100;
    const qint64 excess = nb_.conn().historyBytes - allowed;
    if (excess <= 0)
        return;
    // Oldest first across all notes (IDs grow with time), but never a note's newest version: the
    // share must not take the state a save has just kept.
    std::vector<qint64> victims;
    qint64 freed = 0;
    {
        Query oldest(cache, "SELECT h.ID, h.Stored FROM NoteHistory h WHERE h.ID < "
                            "(SELECT max(n.ID) FROM NoteHistory n WHERE n.NoteID = h.NoteID) ORDER BY h.ID");
        while (freed < excess && oldest.step()) {
            victims.push_back(oldest.int64(0));
            freed += oldest.int64(1);
        }
    }
    for (const qint64 victim : victims) {
        Query del(cache, "DELETE FROM NoteHistory WHERE ID = ?");
        del.bind(1, victim).run();
    }
    nb_.conn().historyBytes -= freed;
}

std::vector<VersionInfo> KeptNotes::history(qint64 noteId)
{
    std::vector<VersionInfo> out;
    if (!nb_.ready() || !nb_.conn().history)
        return out;
    guarded(nb_.lastError_, [&] {
        // A notebook opened read-only may predate the sync tables.
        Query marks(nb_.conn().cache, "SELECT 1 FROM sqlite_master WHERE name = 'SyncConflictVersions'");
        const bool marked = marks.step();
        Query q(nb_.conn().cache, marked ? "SELECT ID, Updated, ReplacedAt, Title, Size, EXISTS (SELECT 1 FROM "
                                           "SyncConflictVersions c WHERE c.HistoryID = NoteHistory.ID AND c.NoteID = "
                                           "NoteHistory.NoteID AND c.ReplacedAt = NoteHistory.ReplacedAt) FROM NoteHistory WHERE NoteID = ? ORDER BY ID DESC"
                                         : "SELECT ID, Updated, ReplacedAt, Title, Size, 0 FROM NoteHistory "
                                           "WHERE NoteID = ? ORDER BY ID DESC");
        q.bind(1, noteId);
        while (q.step())
            out.push_back({q.int64(0), q.text(1), QDateTime::fromSecsSinceEpoch(q.int64(2), Qt::UTC),
                           q.text(3), q.int64(4), q.int64(5) != 0});
        return true;
    });
    return out;
}

std::vector<DeletedInfo> KeptNotes::deleted()
{
    std::vector<DeletedInfo> out;
    if (!nb_.ready() || !nb_.conn().history)
        return out;
    guarded(nb_.lastError_, [&] {
        Query q(nb_.conn().cache, "SELECT d.ID, d.NoteID, d.Title, d.GroupID, d.GroupName, g.ID IS NOT NULL, "
                              "d.DeletedAt FROM DeletedNotes d LEFT JOIN Groups g ON g.ID = d.GroupID "
                              "ORDER BY d.ID DESC");
        while (q.step())
            out.push_back({q.int64(0), q.int64(1), q.text(2), q.int64(3), q.text(4), q.int64(5) != 0,
                           QDateTime::fromSecsSinceEpoch(q.int64(6), Qt::UTC)});
        return true;
    });
    return out;
}

std::optional<NoteVersion> KeptNotes::loadPacked(const char *sql, qint64 id)
{
    if (!nb_.ready() || !nb_.conn().history)
        return std::nullopt;
    NoteVersion v;
    const bool loaded = guarded(nb_.lastError_, [&] {
        Query q(nb_.conn().cache, sql);
        q.bind(1, id);
        if (!q.step())
            return nb_.fail(QStringLiteral("no kept version with ID %1").arg(id));
        if (!History::unpack(q.blob(0), &v))
            return nb_.fail(QStringLiteral("the kept version %1 is damaged").arg(id));
        return true;
    });
    return loaded ? std::optional<NoteVersion>(std::move(v)) : std::nullopt;
}

std::optional<NoteVersion> KeptNotes::version(qint64 versionId)
{
    return loadPacked("SELECT Data FROM NoteHistory WHERE ID = ?", versionId);
}

std::optional<NoteVersion> KeptNotes::deletedNote(qint64 entryId)
{
    return loadPacked("SELECT Data FROM DeletedNotes WHERE ID = ?", entryId);
}

bool KeptNotes::restoreVersion(qint64 noteId, qint64 versionId, const QString &saveDate)
{
    return nb_.write([&] {
        NoteVersion v;
        {
            Query q(nb_.conn().cache, "SELECT Data FROM NoteHistory WHERE ID = ? AND NoteID = ?");
            q.bind(1, versionId).bind(2, noteId);
            if (!q.step() || !History::unpack(q.blob(0), &v))
                return nb_.fail(QStringLiteral("no kept version %1 of note %2").arg(versionId).arg(noteId));
        }
        const qint64 group = exists(nb_.conn().cache, "SELECT 1 FROM Groups WHERE ID = ?", v.groupId) ? v.groupId : -1;
        keepReplaced(noteId, &v.note, group);
        if (StoreDetail::updateNote(nb_.conn().cache, noteId, v.note, saveDate, group) == 0)
            return nb_.fail(QStringLiteral("no note with ID %1").arg(noteId));
        return true;
    });
}

std::optional<qint64> KeptNotes::restoreDeleted(qint64 entryId, qint64 groupId)
{
    qint64 restoredId = 0;
    const bool done = nb_.write([&] {
        NoteVersion v;
        qint64 noteId = 0;
        QString groupName;
        {
            Query q(nb_.conn().cache, "SELECT NoteID, GroupName, Data FROM DeletedNotes WHERE ID = ?");
            q.bind(1, entryId);
            if (!q.step() || !History::unpack(q.blob(2), &v))
                return nb_.fail(QStringLiteral("no deleted note with ID %1").arg(entryId));
            noteId = q.int64(0);
            groupName = q.text(1);
        }
        StatementCache &cache = nb_.conn().cache;
        const char *const GroupById = "SELECT 1 FROM Groups WHERE ID = ?";
        if (groupId != -1) {
            if (!exists(cache, GroupById, groupId))
                return nb_.fail(QStringLiteral("no group with ID %1").arg(groupId));
        } else {
            groupId = v.groupId;
            if (!exists(cache, GroupById, groupId)) {
                // Deleted with its group: the group comes back under its old ID and name, so the
                // other notes deleted with it find it again.
                Query g(cache, "INSERT INTO Groups (ID, vGroupName) VALUES (?, ?)");
                g.bind(1, groupId).bind(2, groupName.isEmpty() ? QStringLiteral("恢复的记事") : groupName).run();
            }
        }
        const bool sameId = !exists(cache, "SELECT 1 FROM Notes WHERE ID = ?", noteId);
        StoreDetail::insertNote(cache, groupId, v.note, sameId ? noteId : -1);
        const qint64 restored = nb_.conn().db.getLastInsertRowid();
        if (!sameId && nb_.conn().history)
            keepIn(History::Table::NoteHistory, [&] {
                Query h(cache, "UPDATE NoteHistory SET NoteID = ? WHERE NoteID = ?");
                h.bind(1, restored).bind(2, noteId).run();
            });
        {
            Query d(cache, "DELETE FROM DeletedNotes WHERE ID = ?");
            d.bind(1, entryId).run();
        }
        restoredId = restored;
        return true;
    });
    return done ? std::optional<qint64>(restoredId) : std::nullopt;
}

namespace {

// History of notes that are neither in the notebook nor among the deleted ones.
const char *const DropOrphans = "DELETE FROM NoteHistory WHERE NoteID NOT IN (SELECT ID FROM Notes) "
                                "AND NoteID NOT IN (SELECT NoteID FROM DeletedNotes)";

} // namespace

bool KeptNotes::emptyDeleted()
{
    return nb_.write([&] {
        if (!nb_.conn().history)
            return false;
        nb_.conn().db.exec("DELETE FROM DeletedNotes");
        nb_.conn().db.exec(DropOrphans);
        nb_.conn().historyBytes = -1;
        return true;
    });
}

bool KeptNotes::setLimits(const KeepLimits &limits)
{
    return nb_.write([&] {
        if (!NotebookInfo::hasTable(nb_.conn().db))
            return nb_.fail(QStringLiteral("the notebook has no room for its keep limits"));
        NotebookInfo::setKeepLimits(nb_.conn().db, limits);
        return true;
    });
}

std::optional<KeepLimits> KeptNotes::limits()
{
    std::optional<KeepLimits> limits;
    if (nb_.ready())
        guarded(nb_.lastError_, [&] {
            limits = NotebookInfo::keepLimits(nb_.conn().db);
            return true;
        });
    return limits;
}

bool KeptNotes::prune()
{
    return nb_.write([&] {
        if (!nb_.conn().history)
            return false;
        // Read under the write lock: limits changed by another program count at once.
        const std::optional<KeepLimits> chosen = NotebookInfo::keepLimits(nb_.conn().db);
        if (!chosen)
            return true; // nobody chose yet: keep everything
        const KeepLimits &limits = *chosen;
        nb_.conn().historyBytes = -1;
        StatementCache &cache = nb_.conn().cache;
        const qint64 cutoff = secondsOf(nb_.now()) - qint64(limits.days) * 86400;
        {
            Query q(cache, "DELETE FROM NoteHistory WHERE ReplacedAt < ?");
            q.bind(1, cutoff).run();
        }
        {
            Query q(cache, "DELETE FROM DeletedNotes WHERE DeletedAt < ?");
            q.bind(1, cutoff).run();
        }
        nb_.conn().db.exec(DropOrphans);
        {
            Query q(cache, "DELETE FROM NoteHistory WHERE ID IN (SELECT ID FROM (SELECT ID, row_number() OVER "
                           "(PARTITION BY NoteID ORDER BY ID DESC) AS r FROM NoteHistory) WHERE r > ?)");
            q.bind(1, qint64(limits.versionsPerNote)).run();
        }
        dropOverLimits(-1, limits); // no note of its own: only the notebook share
        return true;
    });
}
