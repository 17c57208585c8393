#include "store/DBase.h"

#include "store/DBasePrivate.h"
#include "store/LeadingNumber.h"

#include <cstring>

using StoreDetail::guarded;

namespace {

// Colour of the priority column. Lower-casing cannot change these Chinese names, so comparing
// the stored bytes directly gives the same answer without building a lowered copy per row.
qint32 priorityColor(const char *p, int bytes)
{
    struct Entry
    {
        const char *name;
        qint32 color;
    };
    static const Entry entries[] = {
        {"一般", 255},       // red
        {"普通", 33023},     // orange
        {"重要", 32768},     // green
        {"非常重要", 8421504}, // grey
    };
    if (!p)
        return 0;
    for (const Entry &e : entries) {
        if (std::strlen(e.name) == std::size_t(bytes) && std::memcmp(e.name, p, std::size_t(bytes)) == 0)
            return e.color;
    }
    return 0; // black, "私密" included
}

// Out-of-range values (never written by this program) read as 0.
qint32 int32Of(double v)
{
    qint32 out = 0;
    RoundToInt32(v, &out);
    return out;
}

const char *const ListAll =
    "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor FROM Notes "
    "INDEXED BY NotesByGroup ORDER BY ID";
// The covering index answers this alone, already in ID order: no note body is touched.
const char *const ListGroup =
    "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor FROM Notes "
    "WHERE nGroupID = ? ORDER BY ID";

} // namespace

void DBase::LoadNotes(NoteSink &list, qint64 groupId)
{
    list.clear();
    if (!ready())
        return;
    guarded(lastError_, [&] {
        Query q(conn_->cache, groupId == -1 ? ListAll : ListGroup);
        if (groupId != -1)
            q.bind(1, groupId);
        NoteItem item;
        int n = 0;
        while (q.step()) {
            item.key = QLatin1Char('k') + QString::number(q.int64(0));
            item.text = q.text(1);
            item.sub1 = q.text(2);
            item.sub2 = q.text(3);
            const char *priority = q.utf8(4, &n);
            item.sub3 = QString::fromUtf8(priority, n);
            item.sub3Color = priorityColor(priority, n);
            const char *icon = q.utf8(5, &n);
            item.tag = QString::fromLatin1(icon, n); // an integer's text is ASCII
            item.icon = int32Of(q.isInteger(5) ? double(q.int64(5)) : LeadingNumberUtf8(icon, n));
            const char *color = q.utf8(6, &n);
            item.color = int32Of(LeadingNumberUtf8(color, n));
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
    if (!ready())
        return 0;
    return guarded(lastError_, [&] {
        Query q(conn_->cache,
                "INSERT INTO Notes (nNoteTitle, nGroupID, nPriority, nIcon, nAddDate, nLastUpdate, "
                "nColor, nNote) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        q.bind(1, note.NoteTitle)
            .bind(2, groupId)
            .bind(3, note.NotePriority)
            .bind(4, qint64(note.NoteIcon))
            .bind(5, note.NoteAddDate)
            .bind(6, note.NoteLastUpdate)
            .bind(7, QString::number(note.NoteColor))
            .bind(8, note.NoteBody)
            .run();
        lastInsertedId_ = conn_->db.getLastInsertRowid();
        return 1;
    });
}

int DBase::UpdateNote(qint64 id, const CurrentNote &note)
{
    if (!ready())
        return 0;
    // The date of this save arrives in NoteAddDate; the creation date and the group stay.
    return guarded(lastError_, [&] {
        Query q(conn_->cache,
                "UPDATE Notes SET nNoteTitle = ?, nPriority = ?, nIcon = ?, nLastUpdate = ?, "
                "nColor = ?, nNote = ? WHERE ID = ?");
        q.bind(1, note.NoteTitle)
            .bind(2, note.NotePriority)
            .bind(3, qint64(note.NoteIcon))
            .bind(4, note.NoteAddDate)
            .bind(5, QString::number(note.NoteColor))
            .bind(6, note.NoteBody)
            .bind(7, id)
            .run();
        if (q.changes() == 0)
            return fail(QStringLiteral("no note with ID %1").arg(id));
        return 1;
    });
}

int DBase::MoveNote(qint64 id, qint64 groupId)
{
    if (!ready())
        return 0;
    return guarded(lastError_, [&] {
        Query q(conn_->cache, "UPDATE Notes SET nGroupID = ? WHERE ID = ?");
        q.bind(1, groupId).bind(2, id).run();
        if (q.changes() == 0)
            return fail(QStringLiteral("no note with ID %1").arg(id));
        return 1;
    });
}

int DBase::DeleteNote(qint64 id)
{
    if (!ready())
        return 0;
    // An id that matches no note succeeds with nothing deleted.
    return guarded(lastError_, [&] {
        Query q(conn_->cache, "DELETE FROM Notes WHERE ID = ?");
        q.bind(1, id).run();
        return 1;
    });
}
