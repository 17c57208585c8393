#include "store/Notes.h"

#include "store/NotebookPrivate.h"
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
    item.title = q.text(1);
    int addedBytes = 0;
    const char *added = q.utf8(2, &addedBytes);
    item.added = NoteStamp(QString::fromUtf8(added, addedBytes));
    // A note never edited has both dates equal: share the one string.
    const char *updated = q.utf8(3, &n);
    if (n == addedBytes && added && updated && std::memcmp(added, updated, std::size_t(n)) == 0)
        item.updated = item.added;
    else
        item.updated = NoteStamp(QString::fromUtf8(updated, n));
    const char *priority = q.utf8(4, &n);
    if (const Priority *known = knownPriority(priority, n)) {
        item.priority = known->text;
        item.priorityColor = known->color;
    } else {
        item.priority = QString::fromUtf8(priority, n);
        item.priorityColor = 0;
    }
    const bool iconIsInteger = q.isInteger(5);
    const qint64 iconValue = iconIsInteger ? q.int64(5) : 0;
    const char *icon = iconIsInteger ? nullptr : q.utf8(5, &n);
    item.tag = iconTag(icon, iconIsInteger ? 0 : n, iconIsInteger, iconValue);
    item.icon = int32Of(iconIsInteger ? double(iconValue) : LeadingNumberUtf8(icon, n));
    const char *color = q.utf8(6, &n);
    item.color = int32Of(LeadingNumberUtf8(color, n));
}

bool Notes::list(NoteSink &sink, qint64 groupId)
{
    sink.clear();
    if (!nb_.ready())
        return false;
    return guarded(nb_.lastError_, [&] {
        const char *sql = groupId != -1 ? ListGroup : nb_.conn_->noteIndex ? ListAll : ListAllWithoutIndex;
        Query q(nb_.conn_->cache, sql);
        if (groupId != -1)
            q.bind(1, groupId);
        NoteItem item;
        while (q.step()) {
            StoreDetail::readNoteItem(q, item);
            sink.addItem(item);
        }
        return true;
    });
}

QString Notes::body(qint64 id)
{
    if (!nb_.ready())
        return {};
    QString body;
    guarded(nb_.lastError_, [&] {
        Query q(nb_.conn_->cache, "SELECT nNote FROM Notes WHERE ID = ?");
        q.bind(1, id);
        if (q.step())
            body = q.text(0);
        return true;
    });
    return body;
}

std::optional<NoteVersion> Notes::load(qint64 id)
{
    if (!nb_.ready())
        return std::nullopt;
    NoteVersion v;
    const bool loaded = guarded(nb_.lastError_, [&] {
        Query q(nb_.conn_->cache, StoreDetail::CurrentRow);
        q.bind(1, id);
        if (!q.step())
            return nb_.fail(QStringLiteral("no note with ID %1").arg(id));
        QString colorText;
        v = StoreDetail::readVersion(q, &colorText);
        return true;
    });
    return loaded ? std::optional<NoteVersion>(std::move(v)) : std::nullopt;
}

std::optional<qint64> Notes::add(qint64 groupId, const CurrentNote &note)
{
    return addAll(groupId, {note});
}

std::optional<qint64> Notes::addAll(qint64 groupId, const std::vector<CurrentNote> &notes)
{
    qint64 last = 0;
    const bool added = nb_.write([&] {
        for (const CurrentNote &note : notes) {
            try {
                StoreDetail::insertNote(nb_.conn_->cache, groupId, note, -1);
            } catch (const SQLite::Exception &e) {
                return nb_.fail(StoreDetail::insertFailure(nb_.conn_->db, e, "Notes"));
            }
            last = nb_.conn_->db.getLastInsertRowid();
            nb_.indexWritten(last);
        }
        return true;
    });
    return added ? std::optional<qint64>(last) : std::nullopt;
}

bool Notes::update(qint64 id, const CurrentNote &note)
{
    return nb_.write([&] {
        KeptNotes(nb_).keepReplaced(id, &note, -1);
        if (StoreDetail::updateNote(nb_.conn_->cache, id, note, note.NoteAddDate, -1) == 0)
            return nb_.fail(QStringLiteral("no note with ID %1").arg(id));
        nb_.indexWritten(id);
        return true;
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

bool Notes::move(qint64 id, qint64 groupId)
{
    return nb_.write([&] {
        KeptNotes(nb_).keepReplaced(id, nullptr, groupId);
        Query q(nb_.conn_->cache, "UPDATE Notes SET nGroupID = ? WHERE ID = ?");
        q.bind(1, groupId).bind(2, id).run();
        if (q.changes() == 0)
            return nb_.fail(QStringLiteral("no note with ID %1").arg(id));
        return true;
    });
}

bool Notes::remove(qint64 id)
{
    return nb_.write([&] {
        KeptNotes(nb_).keepDeletedNote(id);
        Query q(nb_.conn_->cache, "DELETE FROM Notes WHERE ID = ?");
        q.bind(1, id).run();
        nb_.indexWritten(id);
        return true;
    });
}
