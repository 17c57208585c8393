// A process for the encryption tests to kill at an unknown moment: it opens a notebook, says
// "ready" and then keeps changing it in one of three ways until it is killed.
//   crypto_worker encrypt PATH   sets the password A and removes it again, over and over
//   crypto_worker change PATH    changes the password between A and B
//   crypto_worker save PATH      saves notes into a notebook protected by A

#include "store/Notebook.h"
#include "store/Notes.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const QString mode = args[1];
    Notebook db;
    db.setPasswordCost(NotebookHeader::Cost::lightest());
    if (db.openWithPassword(args[2], QString()) != Notebook::Access::Opened && db.openWithPassword(args[2], QStringLiteral("A")) != Notebook::Access::Opened
        && db.openWithPassword(args[2], QStringLiteral("B")) != Notebook::Access::Opened)
        return 3;
    std::puts("ready");
    std::fflush(stdout);
    CurrentNote note;
    note.NoteTitle = QStringLiteral("saved");
    note.NoteAddDate = note.NoteLastUpdate = QStringLiteral("2026/12/08 01:00");
    note.NotePriority = QStringLiteral("普通");
    for (int i = 0;; ++i) {
        bool ok = true;
        if (mode == QLatin1String("encrypt")) {
            ok = db.writePassword(i % 2 ? QString() : QStringLiteral("A"));
        } else if (mode == QLatin1String("change")) {
            ok = db.writePassword(i % 2 ? QStringLiteral("A") : QStringLiteral("B"));
        } else {
            note.NoteBody = QStringLiteral("{\\rtf1 saved %1 %2}").arg(i).arg(QString(3000, u'存'));
            ok = Notes(db).add(1, note).has_value();
        }
        if (!ok) {
            std::fprintf(stderr, "%s\n", qPrintable(db.lastError()));
            return 4;
        }
    }
}
