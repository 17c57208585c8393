// A computer for the sync tests to kill in the middle of a sync: it opens a notebook that
// already syncs, says "ready", then saves a note and syncs, over and over, until it is killed.
//   sync_worker NOTEBOOK folder DIR
//   sync_worker NOTEBOOK webdav URL
#include "DavServer.h"

#include "store/Notebook.h"
#include "store/Notes.h"
#include "sync/FolderPlace.h"
#include "sync/NotebookReplica.h"
#include "sync/SyncRun.h"
#include "sync/WebDavPlace.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    Notebook db;
    if (!db.open(args[1]))
        return 3;
    std::unique_ptr<SyncPlace> place;
    if (args[2] == QLatin1String("folder"))
        place = std::make_unique<FolderPlace>(args[3]);
    else
        place = std::make_unique<WebDavPlace>(QUrl(args[3]), QString::fromLatin1(DavServer::User),
                                              QString::fromUtf8(DavServer::Password), 5000);
    NotebookReplica replica(db);
    std::puts("ready");
    std::fflush(stdout);
    CurrentNote note;
    note.NoteAddDate = note.NoteLastUpdate = QStringLiteral("2026/12/08 01:00");
    note.NotePriority = QStringLiteral("普通");
    for (int i = 0;; ++i) {
        note.NoteTitle = QStringLiteral("存 %1").arg(i);
        note.NoteBody = QStringLiteral("{\\rtf1 %1 %2}").arg(i).arg(QString(2000, u'存'));
        if (!Notes(db).add(1, note))
            return 4;
        SyncRun run(*place, replica);
        run.snapshotEvery = 3;
        if (run.run() != SyncRun::Outcome::Done)
            return 5;
    }
}
