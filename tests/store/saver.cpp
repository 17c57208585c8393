// A second process for the store tests: saves notes into a notebook in a loop, as another window
// of the program would. Prints "ok ID" for every note AddNote acknowledged and "fail REASON" for
// every refused one, flushed line by line, so that a test can count what must be in the file
// even after it kills this process.
//
//     qb-test-saver NOTEBOOK COUNT [BODY_CHARS [PAUSE_MS]]
//
// PAUSE_MS between saves keeps it to what a person does: a writer that never pauses keeps
// every reader of the file waiting. With QB_SAVER_PASSWORDS=A:B:... in the environment, a save
// refused because another program put the notebook under another password (or none) opens the
// file anew with each of them and "" and saves again, as a user would type it.

#include "store/Notebook.h"
#include "store/Notes.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s NOTEBOOK COUNT [BODY_CHARS]\n", argv[0]);
        return 2;
    }
    const long count = std::atol(argv[2]);
    const long bodyChars = argc > 3 ? std::atol(argv[3]) : 2000;
    const long pauseMs = argc > 4 ? std::atol(argv[4]) : 0;
    Notebook db;
    db.setBusyTimeout(30000); // a compaction of the other process may hold the file a while
    db.open(QString::fromLocal8Bit(argv[1]));
    if (!db.isOpen()) {
        std::printf("fail open: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    CurrentNote note;
    note.NoteAddDate = note.NoteLastUpdate = QStringLiteral("2026/12/08 01:00");
    note.NotePriority = QStringLiteral("普通");
    note.NoteIcon = 2;
    const QStringList passwords = QStringList{QString()}
                                  + qEnvironmentVariable("QB_SAVER_PASSWORDS").split(u':', Qt::SkipEmptyParts);
    const auto reopen = [&] {
        for (const QString &password : passwords) {
            db.close();
            if (db.openWithPassword(QString::fromLocal8Bit(argv[1]), password) == Notebook::Access::Opened)
                return;
        }
    };
    for (long i = 1; i <= count; ++i) {
        note.NoteTitle = QStringLiteral("第二个进程 %1").arg(i);
        note.NoteBody = QStringLiteral("{\\rtf1 %1}").arg(QString(bodyChars, QChar(u'存')));
        std::optional<qint64> saved = Notes(db).add(1, note);
        for (int tries = 0; !saved && passwords.size() > 1 && tries < 50; ++tries) {
            ::usleep(20000);
            reopen();
            saved = Notes(db).add(1, note);
        }
        if (saved)
            std::printf("ok %lld\n", qlonglong(*saved));
        else
            std::printf("fail %s\n", qPrintable(db.lastError()));
        std::fflush(stdout);
        if (pauseMs > 0)
            ::usleep(useconds_t(pauseMs * 1000));
    }
    return 0;
}
