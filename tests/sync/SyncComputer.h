#pragma once

// A computer of the sync tests: a real notebook file, opened by the store, and its side of sync,
// with a clock of its own; and what the notebook shows, read the way the window reads it.

#include "StoreTestUtil.h"

#include "search/NoteIndex.h"
#include "search/NoteSearch.h"
#include "store/Groups.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "sync/NotebookReplica.h"
#include "sync/SyncPlace.h"
#include "sync/SyncRun.h"

#include <QDateTime>

#include <map>
#include <memory>

struct SyncComputer
{
    SyncComputer(const QString &file, int clockDays)
        : path(file)
        , days(clockDays)
    {
        db.setPasswordCost(NotebookHeader::Cost::lightest());
        db.setClock([this] { return QDateTime::currentDateTimeUtc().addDays(days); });
        NoteIndex::attach(db);
    }

    // The time this computer's saves are dated with.
    QString now() const
    {
        return QDateTime::currentDateTime().addDays(days).toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    }

    SyncRun::Outcome sync(SyncPlace &place, const QString &passphrase = QString())
    {
        SyncRun run(place, replica);
        run.keyCost = NotebookHeader::Cost::lightest();
        run.snapshotEvery = 4;
        const SyncRun::Outcome o = run.run(passphrase);
        if (o != SyncRun::Outcome::Done)
            qWarning("sync: %d %s / %s", int(o), qPrintable(run.error()), qPrintable(db.lastError()));
        return o;
    }

    // Every group and note as a line of its fields, sorted: equal on two computers when they show
    // the same.
    QStringList shows()
    {
        VectorGroupSink groups;
        Groups(db).load(groups);
        QHash<QString, QString> names;
        QStringList lines;
        for (const TreeNode &g : groups.nodes)
            if (!g.parentKey.isEmpty()) {
                names.insert(g.key, g.text);
                lines << QStringLiteral("组|") + g.text;
            }
        for (const auto &[id, v] : notes()) {
            const CurrentNote &n = v.note;
            lines << QStringList{n.NoteTitle, n.NoteBody, n.NoteAddDate, n.NoteLastUpdate, n.NotePriority,
                                 QString::number(n.NoteColor), QString::number(n.NoteIcon),
                                 names.value(QStringLiteral("k%1").arg(v.groupId), QStringLiteral("?"))}
                         .join(QLatin1Char('|'));
        }
        lines.sort();
        return lines;
    }

    std::map<qint64, NoteVersion> notes()
    {
        VectorNoteSink list;
        Notes(db).list(list, -1);
        std::map<qint64, NoteVersion> out;
        for (const NoteItem &item : list.items) {
            const qint64 id = item.key.mid(1).toLongLong();
            out.emplace(id, *Notes(db).load(id));
        }
        return out;
    }

    // The bodies of a note: the current one and every one in its history.
    QSet<QString> versions(qint64 id)
    {
        QSet<QString> bodies{Notes(db).body(id)};
        for (const VersionInfo &v : KeptNotes(db).history(id))
            bodies.insert(KeptNotes(db).version(v.id)->note.NoteBody);
        return bodies;
    }

    // Whether a search for the note's body finds it, and nothing waits for the index: what sync
    // wrote was indexed with it.
    bool found(qint64 id)
    {
        const std::optional<SearchResult> r = NoteSearch(db).find(Notes(db).load(id)->note.NoteBody.mid(7).chopped(1), {});
        return r && r->unindexed == 0
            && std::any_of(r->hits.begin(), r->hits.end(), [&](const SearchHit &h) { return h.id == id; });
    }

    QStringList conflicts()
    {
        QStringList titles;
        const QList<SyncConflicts::Conflict> listed = SyncConflicts::list(db).value_or(QList<SyncConflicts::Conflict>{});
        for (const SyncConflicts::Conflict &c : listed)
            titles << QStringLiteral("%1×%2").arg(c.title).arg(c.versions);
        titles.sort();
        return titles;
    }

    QString path;
    int days = 0;
    Notebook db;
    NotebookReplica replica{db};
};
