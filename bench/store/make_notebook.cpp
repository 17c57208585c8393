// qb-make-notebook <path> <notes> <groups>: writes a large notebook for benchmarks and manual tests.

#include "NotebookGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool okNotes = false, okGroups = false;
    const int notes = args.size() == 4 ? args[2].toInt(&okNotes) : 0;
    const int groups = args.size() == 4 ? args[3].toInt(&okGroups) : 0;
    if (!okNotes || !okGroups || notes < 0 || groups < 2) {
        std::fprintf(stderr, "usage: qb-make-notebook <path> <notes> <groups (at least 2)>\n");
        return 2;
    }
    QElapsedTimer t;
    t.start();
    const QString error = NotebookGenerator::generate(args[1], notes, groups);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "qb-make-notebook: %s\n", qPrintable(error));
        return 1;
    }
    const auto l = NotebookGenerator::layoutFor(notes, groups);
    std::printf("%s: %d notes in %d groups (group 1: %d notes, group 2: %d) in %.1f s\n",
                qPrintable(args[1]), l.notes, l.groups, l.group1Notes, l.group2Notes, t.elapsed() / 1000.0);
    return 0;
}
