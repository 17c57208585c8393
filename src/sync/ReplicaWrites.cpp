#include "sync/ReplicaWrites.h"

#include "store/SyncTables.h"
#include "sync/ObjectContent.h"
#include "sync/SyncNotebook.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {

using Revision = Revisions::Revision;

QByteArray randomId()
{
    QByteArray id(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(id.data()), 4);
    return id;
}

QList<QByteArray> splitIds(const QByteArray &joined)
{
    QList<QByteArray> ids;
    for (qsizetype at = 0; at + 16 <= joined.size(); at += 16)
        ids.append(joined.mid(at, 16));
    return ids;
}

// NULL reads as a null string, so a column left NULL by an older program goes out as it was.
QString textOrNull(const Query &q, int column)
{
    int bytes = 0;
    const char *p = q.utf8(column, &bytes);
    return p ? QString::fromUtf8(p, bytes) : QString();
}

// The columns refuse "": an empty value is written as the NULL it came from.
void bindText(Query &q, int index, const QString &value)
{
    if (!value.isEmpty())
        q.bind(index, value);
}

CurrentNote noteOf(const ObjectContent::Fields &f)
{
    CurrentNote n;
    n.NoteTitle = f.title;
    n.NoteAddDate = f.addDate;
    n.NoteLastUpdate = f.lastUpdate;
    n.NotePriority = f.priority;
    n.NoteIcon = qint16(f.icon);
    n.NoteColor = f.color.toInt();
    n.NoteBody = f.body;
    return n;
}

} // namespace

ReplicaWrites::ReplicaWrites(Notebook &nb)
    : nb_(nb)
    , cache_(SyncNotebook::cache(nb))
{
}

Revision ReplicaWrites::readRevision(const Query &q, int first)
{
    Revision r;
    r.id = q.blob(first);
    r.object = q.blob(first + 1);
    r.parents = splitIds(q.blob(first + 2));
    r.deleted = q.int64(first + 3) != 0;
    r.content = q.blob(first + 4);
    return r;
}

Revisions ReplicaWrites::load(const QByteArray &object)
{
    Revisions rs;
    Query q(cache_, "SELECT ID, Object, Parents, Deleted, Content FROM SyncRevisions WHERE Object = ? ORDER BY Seq");
    q.bindBlob(1, object);
    while (q.step())
        rs.add(readRevision(q, 0));
    return rs;
}

std::optional<qint64> ReplicaWrites::localOf(const QByteArray &object)
{
    Query q(cache_, "SELECT LocalID FROM SyncObjects WHERE Identity = ? AND LocalID IS NOT NULL");
    q.bindBlob(1, object);
    return q.step() ? std::optional<qint64>(q.int64(0)) : std::nullopt;
}

QByteArray ReplicaWrites::identityOf(int kind, qint64 localId, bool make)
{
    {
        Query q(cache_, "SELECT Identity FROM SyncObjects WHERE Kind = ? AND LocalID = ?");
        q.bind(1, qint64(kind)).bind(2, localId);
        if (q.step())
            return q.blob(0);
    }
    if (!make)
        return {};
    const QByteArray identity = randomId();
    Query add(cache_, "INSERT INTO SyncObjects (Identity, Kind, LocalID) VALUES (?, ?, ?)");
    add.bindBlob(1, identity).bind(2, qint64(kind)).bind(3, localId).run();
    return identity;
}

void ReplicaWrites::setLocal(const QByteArray &object, qint64 localId)
{
    Query q(cache_, "UPDATE SyncObjects SET LocalID = ? WHERE Identity = ?");
    q.bind(1, localId).bindBlob(2, object).run();
}

bool ReplicaWrites::rowExists(const char *sql, qint64 id)
{
    Query q(cache_, sql);
    q.bind(1, id);
    return q.step();
}

bool ReplicaWrites::insertRevision(const Revision &r, bool mine)
{
    Query q(cache_, "INSERT OR IGNORE INTO SyncRevisions (ID, Object, Parents, Deleted, Content, Mine, Here) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?)");
    q.bindBlob(1, r.id)
        .bindBlob(2, r.object)
        .bindBlob(3, r.parents.join())
        .bind(4, qint64(r.deleted))
        .bindBlob(5, r.content)
        .bind(6, qint64(mine))
        .bind(7, qint64(mine))
        .run();
    return q.changes() > 0;
}

void ReplicaWrites::markHere(const QByteArray &revision)
{
    Query q(cache_, "UPDATE SyncRevisions SET Here = 1 WHERE ID = ? AND Here = 0");
    q.bindBlob(1, revision).run();
}

bool ReplicaWrites::here(const QByteArray &revision)
{
    Query q(cache_, "SELECT Here FROM SyncRevisions WHERE ID = ?");
    q.bindBlob(1, revision);
    return q.step() && q.int64(0) != 0;
}

void ReplicaWrites::settle()
{
    struct Saved
    {
        qint64 seq;
        int kind;
        qint64 localId;
        bool deleted;
        ObjectContent::Fields fields;
        qint64 groupId;
    };
    std::vector<Saved> saved;
    {
        Query q(cache_, "SELECT Seq, Kind, LocalID, Deleted, Title, AddDate, LastUpdate, Priority, Icon, GroupID, "
                        "Color, Body FROM SyncOutbox ORDER BY Seq");
        while (q.step()) {
            Saved s{q.int64(0), int(q.int64(1)), q.int64(2), q.int64(3) != 0, {}, q.int64(9)};
            s.fields.kind = s.kind;
            s.fields.title = textOrNull(q, 4);
            s.fields.addDate = textOrNull(q, 5);
            s.fields.lastUpdate = textOrNull(q, 6);
            s.fields.priority = textOrNull(q, 7);
            s.fields.icon = q.int64(8);
            s.fields.color = textOrNull(q, 10);
            s.fields.body = q.text(11);
            saved.push_back(std::move(s));
        }
    }
    for (Saved &s : saved) {
        const QByteArray object = identityOf(s.kind, s.localId, true);
        if (s.kind == SyncTables::Note)
            s.fields.group = identityOf(SyncTables::Group, s.groupId,
                                        rowExists("SELECT 1 FROM Groups WHERE ID = ?", s.groupId));
        insertRevision(load(object).change(object, ObjectContent::encode(s.fields), s.deleted), true);
        // The change replaced every version: whatever conflict there was is settled.
        Query settled(cache_, "DELETE FROM SyncConflicts WHERE Object = ?");
        settled.bindBlob(1, object).run();
    }
    if (!saved.empty()) {
        Query drop(cache_, "DELETE FROM SyncOutbox WHERE Seq <= ?");
        drop.bind(1, saved.back().seq).run();
    }
    // A group deleted elsewhere stayed for the notes kept in it; once the last of them was moved
    // or deleted here, it goes as it went everywhere else.
    QList<QByteArray> empty;
    {
        Query q(cache_, "SELECT o.Identity FROM SyncObjects o JOIN Groups g ON g.ID = o.LocalID WHERE o.Kind = 0 "
                        "AND NOT EXISTS (SELECT 1 FROM Notes n WHERE n.nGroupID = g.ID)");
        while (q.step())
            empty.append(q.blob(0));
    }
    uncaptured([&] {
        for (const QByteArray &g : empty)
            settleGroup(g);
    });
}

bool ReplicaWrites::add(const Revision &r)
{
    if (!insertRevision(r, false))
        return false;
    // Content of a newer program is kept (and passed on in snapshots) but shows nothing here.
    const std::optional<ObjectContent::Fields> fields = ObjectContent::decode(r.content);
    if (!fields)
        return false;
    Query q(cache_, "INSERT OR IGNORE INTO SyncObjects (Identity, Kind) VALUES (?, ?)");
    q.bindBlob(1, r.object).bind(2, qint64(fields->kind)).run();
    return true;
}

std::optional<QString> ReplicaWrites::nameOf(const Revisions &rs, const QByteArray &object)
{
    const Revisions::Resolved resolved = rs.resolve(object);
    const Revision *shown = resolved.current;
    if (!shown) {
        const QList<const Revision *> heads = rs.heads(object);
        const auto last = std::max_element(heads.begin(), heads.end(),
                                           [](const Revision *a, const Revision *b) { return a->id < b->id; });
        shown = last == heads.end() ? nullptr : *last;
    }
    const std::optional<ObjectContent::Fields> f = shown ? ObjectContent::decode(shown->content) : std::nullopt;
    return f ? std::optional<QString>(f->title) : std::nullopt;
}

qint64 ReplicaWrites::groupRow(const QByteArray &object, const QString &name)
{
    const std::optional<qint64> local = localOf(object);
    if (local && rowExists("SELECT 1 FROM Groups WHERE ID = ?", *local)) {
        Query q(cache_, "UPDATE Groups SET vGroupName = ? WHERE ID = ? AND vGroupName IS NOT ?");
        bindText(q, 1, name);
        q.bind(2, *local);
        bindText(q, 3, name);
        q.run();
        return *local;
    }
    Query q(cache_, "INSERT INTO Groups (vGroupName) VALUES (?)");
    bindText(q, 1, name);
    q.run();
    const qint64 id = sqlite3_last_insert_rowid(cache_.handle());
    setLocal(object, id);
    return id;
}

void ReplicaWrites::showGroup(const QByteArray &object)
{
    const Revisions rs = load(object);
    const Revisions::Resolved resolved = rs.resolve(object);
    const std::optional<QString> name = nameOf(rs, object);
    if (!resolved.current || !name)
        return; // a deleted group goes once its notes went (settleGroup)
    groupRow(object, *name);
    markHere(resolved.current->id);
}

std::optional<qint64> ReplicaWrites::groupRowFor(const QByteArray &object)
{
    if (object.isEmpty())
        return 0; // a note in no group where it was saved stays in none
    const std::optional<QString> name = nameOf(load(object), object);
    if (!name)
        return std::nullopt;
    return groupRow(object, *name);
}

void ReplicaWrites::settleGroup(const QByteArray &object)
{
    const Revisions rs = load(object);
    if (rs.resolve(object).current)
        return;
    const std::optional<qint64> local = localOf(object);
    if (!local || !rowExists("SELECT 1 FROM Groups WHERE ID = ?", *local))
        return;
    // Deleted on a computer that did not see a note kept in it since: the group stays for it.
    if (rowExists("SELECT 1 FROM Notes WHERE nGroupID = ?", *local)) {
        groupRow(object, nameOf(rs, object).value_or(QString()));
        return;
    }
    Query q(cache_, "DELETE FROM Groups WHERE ID = ?");
    q.bind(1, *local).run();
}

void ReplicaWrites::keepOthers(const Revisions::Resolved &resolved, qint64 localId)
{
    for (const Revision *v : resolved.others) {
        if (here(v->id))
            continue; // shown here once: kept when it was replaced
        const std::optional<ObjectContent::Fields> f = ObjectContent::decode(v->content);
        if (!f)
            continue;
        NoteVersion version;
        version.note = noteOf(*f);
        version.groupId = localOf(f->group).value_or(0);
        SyncNotebook::keepVersion(nb_, localId, version);
        markHere(v->id);
    }
}

void ReplicaWrites::showNote(const QByteArray &object, QSet<qint64> *groupsLeft)
{
    const Revisions rs = load(object);
    const Revisions::Resolved resolved = rs.resolve(object);
    std::optional<qint64> local = localOf(object);
    qint64 oldGroup = -1;
    if (local) {
        Query q(cache_, "SELECT nGroupID FROM Notes WHERE ID = ?");
        q.bind(1, *local);
        if (q.step())
            oldGroup = q.int64(0);
    }
    const bool exists = oldGroup != -1;
    {
        Query clear(cache_, "DELETE FROM SyncConflicts WHERE Object = ?");
        clear.bindBlob(1, object).run();
    }
    const std::optional<ObjectContent::Fields> f =
        resolved.current ? ObjectContent::decode(resolved.current->content) : std::nullopt;
    const std::optional<qint64> group = f ? groupRowFor(f->group) : std::nullopt;
    if (f && !group) {
        Query wait(cache_, "UPDATE SyncObjects SET Waiting = 1 WHERE Identity = ?");
        wait.bindBlob(1, object).run();
        return;
    }
    {
        Query done(cache_, "UPDATE SyncObjects SET Waiting = 0 WHERE Identity = ?");
        done.bindBlob(1, object).run();
    }
    const qint64 groupId = group.value_or(0);
    if (exists)
        groupsLeft->insert(oldGroup);
    if (!f) {
        // Deleted: the note goes to the recently deleted ones, never away for good.
        if (exists) {
            SyncNotebook::keepDeletedNote(nb_, *local);
            Query q(cache_, "DELETE FROM Notes WHERE ID = ?");
            q.bind(1, *local).run();
            SyncNotebook::indexWritten(nb_, *local);
        }
        if (local)
            keepOthers(resolved, *local);
        return;
    }

    const CurrentNote note = noteOf(*f);
    qint64 historyBefore = 0;
    {
        Query last(cache_, "SELECT coalesce(max(ID), 0) FROM NoteHistory");
        if (last.step())
            historyBefore = last.int64(0);
    }
    // The columns an update and an insert both write, in the same places 1 to 8.
    const auto bindFields = [&](Query &q) {
        bindText(q, 1, f->title);
        bindText(q, 2, f->addDate);
        bindText(q, 3, f->lastUpdate);
        bindText(q, 4, f->priority);
        q.bind(5, f->icon).bind(6, groupId);
        bindText(q, 7, f->color);
        q.bind(8, f->body);
    };
    if (exists) {
        SyncNotebook::keepReplaced(nb_, *local, note, groupId);
        Query q(cache_, "UPDATE Notes SET nNoteTitle = ?, nAddDate = ?, nLastUpdate = ?, nPriority = ?, nIcon = ?, "
                        "nGroupID = ?, nColor = ?, nNote = ? WHERE ID = ?");
        bindFields(q);
        q.bind(9, *local).run();
    } else {
        // Back under the ID it had here, so its history comes back with it.
        Query q(cache_, "INSERT INTO Notes (nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nGroupID, nColor, "
                        "nNote, ID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        bindFields(q);
        if (local) {
            q.bind(9, *local);
            // Deleted here, and kept elsewhere meanwhile: the state deleted here went to the
            // recently deleted notes, and joins the note's history as it comes back.
            for (const Revision *h : rs.heads(object))
                if (const auto gone = h->deleted ? ObjectContent::decode(h->content) : std::nullopt)
                    SyncNotebook::keepVersion(nb_, *local, {noteOf(*gone), localOf(gone->group).value_or(0)});
        }
        q.run();
        local = sqlite3_last_insert_rowid(cache_.handle());
        setLocal(object, *local);
    }
    SyncNotebook::indexWritten(nb_, *local);
    markHere(resolved.current->id);
    keepOthers(resolved, *local);
    if (resolved.conflict) {
        for (const Revision *h : rs.heads(object)) {
            Query mark(cache_, "INSERT OR IGNORE INTO SyncConflicts (Object, Revision) VALUES (?, ?)");
            mark.bindBlob(1, object).bindBlob(2, h->id).run();
        }
        markConflictVersions(rs, object, resolved, *local, historyBefore);
    }
}

void ReplicaWrites::markConflictVersions(const Revisions &rs, const QByteArray &object,
                                         const Revisions::Resolved &resolved, qint64 localId, qint64 historyBefore)
{
    // A version is told by its title and body: the replaced row of this computer holds no revision id.
    QSet<QPair<QString, QString>> losing;
    for (const Revision *h : rs.heads(object))
        if (h != resolved.current)
            if (const std::optional<ObjectContent::Fields> f = ObjectContent::decode(h->content)) {
                const CurrentNote n = noteOf(*f);
                losing.insert({n.NoteTitle, n.NoteBody});
            }
    // Marks of rows the history dropped since go first: a row ID can come back for another version.
    Query(cache_, "DELETE FROM SyncConflictVersions WHERE HistoryID NOT IN (SELECT ID FROM NoteHistory)").run();
    Query added(cache_, "SELECT ID FROM NoteHistory WHERE NoteID = ? AND ID > ?");
    added.bind(1, localId).bind(2, historyBefore);
    QList<qint64> ids;
    while (added.step())
        ids.append(added.int64(0));
    for (const qint64 id : ids) {
        const std::optional<NoteVersion> v = SyncNotebook::version(nb_, id);
        if (v && losing.contains({v->note.NoteTitle, v->note.NoteBody})) {
            Query mark(cache_, "INSERT OR REPLACE INTO SyncConflictVersions (HistoryID, NoteID, ReplacedAt) "
                               "SELECT ID, NoteID, ReplacedAt FROM NoteHistory WHERE ID = ?");
            mark.bind(1, id).run();
        }
    }
}

void ReplicaWrites::show(const QSet<QByteArray> &objects)
{
    QList<QByteArray> groups, notes;
    auto sort = [&](const QByteArray &identity, qint64 kind) {
        (kind == SyncTables::Group ? groups : notes).append(identity);
    };
    for (const QByteArray &object : objects) {
        Query q(cache_, "SELECT Kind FROM SyncObjects WHERE Identity = ? AND Waiting = 0");
        q.bindBlob(1, object);
        if (q.step())
            sort(object, q.int64(0));
    }
    {
        Query q(cache_, "SELECT Identity, Kind FROM SyncObjects WHERE Waiting = 1");
        while (q.step())
            sort(q.blob(0), q.int64(1));
    }
    uncaptured([&] {
        for (const QByteArray &g : groups)
            showGroup(g);
        QSet<qint64> groupsLeft;
        for (const QByteArray &n : notes)
            showNote(n, &groupsLeft);
        for (const qint64 local : groupsLeft)
            if (const QByteArray g = identityOf(SyncTables::Group, local, false); !g.isEmpty() && !groups.contains(g))
                groups.append(g);
        for (const QByteArray &g : groups)
            settleGroup(g);
    });
}

void ReplicaWrites::uncaptured(const std::function<void()> &write)
{
    qint64 capture = 0;
    {
        Query q(cache_, "SELECT Capture FROM SyncState");
        capture = q.step() ? q.int64(0) : 0;
    }
    Query(cache_, "UPDATE SyncState SET Capture = 0").run();
    write();
    Query restore(cache_, "UPDATE SyncState SET Capture = ?");
    restore.bind(1, capture).run();
}
