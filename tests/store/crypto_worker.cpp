// A process for the encryption tests to kill at an unknown moment: it opens a notebook, says
// "ready" and then keeps changing it in one of three ways until it is killed.
//   crypto_worker encrypt PATH   sets the password A and removes it again, over and over
//   crypto_worker change PATH    changes the password between A and B
//   crypto_worker save PATH      saves notes into a notebook protected by A

#include "store/DBase.h"

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
    DBase db;
    db.PasswordCost = NotebookHeader::Cost::lightest();
    db.DatabasePath = args[2];
    if (db.OpenWithPassword(QString()) != DBase::Access::Opened && db.OpenWithPassword(QStringLiteral("A")) != DBase::Access::Opened
        && db.OpenWithPassword(QStringLiteral("B")) != DBase::Access::Opened)
        return 3;
    std::puts("ready");
    std::fflush(stdout);
    CurrentNote note;
    note.NoteTitle = QStringLiteral("saved");
    note.NoteAddDate = note.NoteLastUpdate = QStringLiteral("2026/12/08 01:00");
    note.NotePriority = QStringLiteral("普通");
    for (int i = 0;; ++i) {
        int ok = 1;
        if (mode == QLatin1String("encrypt")) {
            ok = db.WritePassword(i % 2 ? QString() : QStringLiteral("A"));
        } else if (mode == QLatin1String("change")) {
            ok = db.WritePassword(i % 2 ? QStringLiteral("A") : QStringLiteral("B"));
        } else {
            note.NoteBody = QStringLiteral("{\\rtf1 saved %1 %2}").arg(i).arg(QString(3000, u'存'));
            ok = db.AddNote(1, note);
        }
        if (ok != 1) {
            std::fprintf(stderr, "%s\n", qPrintable(db.lastError()));
            return 4;
        }
    }
}
