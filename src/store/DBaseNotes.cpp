#include "store/DBase.h"

#include "store/DBasePrivate.h"
#include "util/LeadingNumber.h"

#include <SQLiteCpp/Transaction.h>

#include <cstring>
#include <vector>

using StoreDetail::guarded;

namespace {

struct Priority
{
    const char *utf8;
    QString text;
    qint32 color;
};

// The five names, with their column colours; any other text, "私密" included, is black.
const Priority Priorities[] = {
    {"一般", QStringLiteral("一般"), 255},           // red
    {"普通", QStringLiteral("普通"), 33023},         // orange
    {"重要", QStringLiteral("重要"), 32768},         // green
    {"非常重要", QStringLiteral("非常重要"), 8421504}, // grey
    {"私密", QStringLiteral("私密"), 0},
};

// Lower-casing cannot change these Chinese names, so comparing the stored bytes directly gives
// the same answer as lower-casing first; a known name also reuses its shared string.
const Priority *knownPriority(const char *p, int bytes)
{
    if (!p)
        return nullptr;
    for (const Priority &e : Priorities) {
        if (std::strlen(e.utf8) == std::size_t(bytes) && std::memcmp(e.utf8, p, std::size_t(bytes)) == 0)
            return &e;
    }
    return nullptr;
}

// "k" followed by the ID in decimal, built in one allocation: this runs once per listed note.
QString itemKey(qint64 id)
{
    char16_t buf[24];
    char16_t *end = buf + 24;
    char16_t *p = end;
    quint64 v = id < 0 ? 0 - quint64(id) : quint64(id);
    do {
        *--p = char16_t(u'0' + v % 10);
        v /= 10;
    } while (v);
    if (id < 0)
        *--p = u'-';
    *--p = u'k';
    return QString(reinterpret_cast<const QChar *>(p), end - p);
}

// The tag is nIcon as text; icons are small numbers, so their texts are made once and shared.
QString iconTag(const char *p, int bytes, bool isInteger, qint64 value)
{
    static const std::vector<QString> small = [] {
        std::vector<QString> v;
        for (int i = 0; i < 256; ++i)
            v.push_back(QString::number(i));
        return v;
    }();
    if (isInteger)
        return value >= 0 && value < qint64(small.size()) ? small[std::size_t(value)] : QString::number(value);
    return QString::fromUtf8(p, bytes);
}

// Out-of-range values (never written by this program) read as 0.
qint32 int32Of(double v)
{
    qint32 out = 0;
    RoundToInt32(v, &out);
    return out;
}

// Walking the small index and sorting beats scanning the table with every body in it.
const char *const ListAll =
    "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor FROM Notes "
    "INDEXED BY NotesByGroup ORDER BY ID";
const char *const ListAllWithoutIndex =
    "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor FROM Notes ORDER BY ID";
// The covering index answers this alone, already in ID order: no note body is touched.
const char *const ListGroup =
    "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor FROM Notes "
    "WHERE nGroupID = ? ORDER BY ID";

} // namespace

void StoreDetail::readNoteItem(const Query &q, NoteItem &item)
{
    int n = 0;
    item.key = itemKey(q.int64(0));
    item.text = q.text(1);
    int addedBytes = 0;
    const char *added = q.utf8(2, &addedBytes);
    item.sub1 = QString::fromUtf8(added, addedBytes);
    // A note never edited has both dates equal: share the one string.
    const char *updated = q.utf8(3, &n);
    if (n == addedBytes && added && updated && std::memcmp(added, updated, std::size_t(n)) == 0)
        item.sub2 = item.sub1;
    else
        item.sub2 = QString::fromUtf8(updated, n);
    const char *priority = q.utf8(4, &n);
    if (const Priority *known = knownPriority(priority, n)) {
        item.sub3 = known->text;
        item.sub3Color = known->color;
    } else {
        item.sub3 = QString::fromUtf8(priority, n);
        item.sub3Color = 0;
    }
    const bool iconIsInteger = q.isInteger(5);
    const qint64 iconValue = iconIsInteger ? q.int64(5) : 0;
    const char *icon = iconIsInteger ? nullptr : q.utf8(5, &n);
    item.tag = iconTag(icon, iconIsInteger ? 0 : n, iconIsInteger, iconValue);
    item.icon = int32Of(iconIsInteger ? double(iconValue) : LeadingNumberUtf8(icon, n));
    const char *color = q.utf8(6, &n);
    item.color = int32Of(LeadingNumberUtf8(color, n));
}

void DBase::LoadNotes(NoteSink &list, qint64 groupId)
{
    list.clear();
    if (!ready())
        return;
    guarded(lastError_, [&] {
        const char *sql = groupId != -1 ? ListGroup : conn_->noteIndex ? ListAll : ListAllWithoutIndex;
        Query q(conn_->cache, sql);
        if (groupId != -1)
            q.bind(1, groupId);
        NoteItem item;
        while (q.step()) {
            StoreDetail::readNoteItem(q, item);
            list.addItem(item);
        }
        return 1;
    });
}

QString DBase::LoadNoteBody(qint64 id)
{
    if (!ready())
        return {};
    QString body;
    guarded(lastError_, [&] {
        Query q(conn_->cache, "SELECT nNote FROM Notes WHERE ID = ?");
        q.bind(1, id);
        if (q.step())
            body = q.text(0);
        return 1;
    });
    return body;
}

int DBase::AddNote(qint64 groupId, const CurrentNote &note)
{
    return AddNotes(groupId, {note});
}

int DBase::AddNotes(qint64 groupId, const std::vector<CurrentNote> &notes)
{
    return write([&] {
        qint64 last = lastInsertedId_;
        for (const CurrentNote &note : notes) {
            try {
                StoreDetail::insertNote(conn_->cache, groupId, note, -1);
            } catch (const SQLite::Exception &e) {
                return fail(StoreDetail::insertFailure(conn_->db, e, "Notes"));
            }
            last = conn_->db.getLastInsertRowid();
            conn_->search.written(last);
        }
        lastInsertedId_ = last;
        return 1;
    });
}

int DBase::UpdateNote(qint64 id, const CurrentNote &note)
{
    // The date of this save arrives in NoteAddDate; the creation date and the group stay.
    return write([&] {
        keepReplaced(id, &note, -1);
        if (StoreDetail::updateNote(conn_->cache, id, note, note.NoteAddDate, -1) == 0)
            return fail(QStringLiteral("no note with ID %1").arg(id));
        conn_->search.written(id);
        return 1;
    });
}

int StoreDetail::updateNote(StatementCache &cache, qint64 id, const CurrentNote &note, const QString &saveDate,
                            qint64 groupId)
{
    Query q(cache, "UPDATE Notes SET nNoteTitle = ?, nPriority = ?, nIcon = ?, nLastUpdate = ?, "
                   "nColor = ?, nNote = ?, nGroupID = ifnull(?, nGroupID) WHERE ID = ?");
    q.bind(1, note.NoteTitle)
        .bind(2, note.NotePriority)
        .bind(3, qint64(note.NoteIcon))
        .bind(4, saveDate)
        .bind(5, QString::number(note.NoteColor))
        .bind(6, note.NoteBody);
    if (groupId != -1)
        q.bind(7, groupId); // unbound stays NULL: the group is kept
    q.bind(8, id).run();
    return q.changes();
}

void StoreDetail::insertNote(StatementCache &cache, qint64 groupId, const CurrentNote &note, qint64 id)
{
    Query q(cache, "INSERT INTO Notes (nNoteTitle, nGroupID, nPriority, nIcon, nAddDate, nLastUpdate, "
                   "nColor, nNote, ID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, note.NoteTitle)
        .bind(2, groupId)
        .bind(3, note.NotePriority)
        .bind(4, qint64(note.NoteIcon))
        .bind(5, note.NoteAddDate)
        .bind(6, note.NoteLastUpdate)
        .bind(7, QString::number(note.NoteColor))
        .bind(8, note.NoteBody);
    if (id != -1)
        q.bind(9, id); // unbound stays NULL: a new ID
    q.run();
}

int DBase::MoveNote(qint64 id, qint64 groupId)
{
    return write([&] {
        keepReplaced(id, nullptr, groupId);
        Query q(conn_->cache, "UPDATE Notes SET nGroupID = ? WHERE ID = ?");
        q.bind(1, groupId).bind(2, id).run();
        if (q.changes() == 0)
            return fail(QStringLiteral("no note with ID %1").arg(id));
        return 1;
    });
}

int DBase::DeleteNote(qint64 id)
{
    // An id that matches no note succeeds with nothing deleted.
    return write([&] {
        keepDeletedNote(id);
        Query q(conn_->cache, "DELETE FROM Notes WHERE ID = ?");
        q.bind(1, id).run();
        conn_->search.written(id);
        return 1;
    });
}
