// qb-bench-history [folder]: what keeping note history costs a save, how much a note's history
// grows the file, and how long an automatic copy of the 100,000-note notebook takes and how long
// the event loop waits during it. Files go to the folder (default: a temporary one).

#include "NotebookGenerator.h"

#include "store/AutoBackup.h"
#include "store/Groups.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// About 2 KB of RTF with Chinese text; round changes a few characters, as an edit would.
QString savedBody(int round)
{
    QString text;
    for (int i = 0; text.size() < 230; ++i)
        text += QChar(u'一' + (i * 37 + 11) % 3000);
    QString rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0 宋体;}}\\f0\\fs20 ");
    for (const QChar c : text)
        rtf += QStringLiteral("\\u%1?").arg(c.unicode());
    return rtf + QStringLiteral(" 第 %1 次保存}").arg(round);
}

CurrentNote note(int round)
{
    CurrentNote n;
    n.NoteTitle = QStringLiteral("周报");
    n.NoteAddDate = QStringLiteral("2026/12/08 10:00");
    n.NoteLastUpdate = n.NoteAddDate;
    n.NotePriority = QStringLiteral("一般");
    n.NoteBody = savedBody(round);
    return n;
}

bool openNew(Notebook &db, const QString &path, bool history)
{
    QFile::remove(path);
    if (!db.create(path))
        return false;
    if (!history) {
        // A current layout without the history tables: the store then keeps nothing.
        sqlite3 *raw = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &raw);
        sqlite3_exec(raw, "DROP TABLE NoteHistory; DROP TABLE DeletedNotes;", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    db.open(path);
    return db.isOpen() && KeptNotes(db).available() == history && Groups(db).add(QStringLiteral("组"))
           && Notes(db).add(1, note(0));
}

void saveCost(const QString &folder)
{
    Notebook with, without;
    if (!openNew(with, folder + "/with.qbf", true) || !openNew(without, folder + "/without.qbf", false)) {
        std::printf("cannot create the notebooks\n");
        return;
    }
    std::vector<double> wallWith, wallWithout, cpuWith, cpuWithout;
    QElapsedTimer t;
    // Interleaved, so both see the same disk and neighbours.
    for (int round = 1; round <= 300; ++round) {
        for (Notebook *db : {&with, &without}) {
            const CurrentNote n = note(round);
            t.start();
            const double c0 = threadCpuMs();
            Notes(*db).update(1, n);
            const double cpu = threadCpuMs() - c0;
            const double wall = double(t.nsecsElapsed()) / 1e6;
            (db == &with ? wallWith : wallWithout).push_back(wall);
            (db == &with ? cpuWith : cpuWithout).push_back(cpu);
        }
    }
    std::printf("Notes::update of a 2 KB note, wall, median of 300: with history %.2f ms, without %.2f ms, ratio %.2f\n",
                median(wallWith), median(wallWithout), median(wallWith) / median(wallWithout));
    std::printf("Notes::update of a 2 KB note, thread CPU, median of 300: with history %.3f ms, without %.3f ms, ratio %.2f\n",
                median(cpuWith), median(cpuWithout), median(cpuWith) / median(cpuWithout));
}

void growth(const QString &folder, bool keepAll)
{
    Notebook db;
    const QString path = folder + (keepAll ? "/growth-all.qbf" : "/growth-default.qbf");
    if (!openNew(db, path, true)) {
        std::printf("cannot create %s\n", qPrintable(path));
        return;
    }
    KeptNotes(db).setLimits(keepAll ? KeepLimits{60, 1000, 100} : KeepLimits{});
    const qint64 before = QFileInfo(path).size();
    for (int round = 1; round <= 1000; ++round)
        Notes(db).update(1, note(round));
    const qint64 after = QFileInfo(path).size();
    sqlite3 *raw = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &raw);
    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(raw, "SELECT count(*), total(Stored) FROM NoteHistory", -1, &s, nullptr);
    sqlite3_step(s);
    std::printf("1,000 saves of a %lld-byte note (%s): file %lld -> %lld bytes (+%lld), %d versions kept, "
                "%.0f bytes of compressed versions (%.0f per version)\n",
                qint64(note(1).NoteBody.toUtf8().size()), keepAll ? "all kept" : "default limits", before, after,
                after - before, sqlite3_column_int(s, 0), sqlite3_column_double(s, 1),
                sqlite3_column_double(s, 1) / std::max(1, sqlite3_column_int(s, 0)));
    sqlite3_finalize(s);
    sqlite3_close(raw);
}

void backup(const QString &folder)
{
    const QString path = folder + "/store-100k.qbf";
    if (!QFileInfo::exists(path)) {
        QElapsedTimer t;
        t.start();
        const QString error = NotebookGenerator::generate(path, 100000, 100);
        if (!error.isEmpty()) {
            std::printf("cannot build the notebook: %s\n", qPrintable(error));
            return;
        }
        std::printf("built the 100k notebook (%lld bytes) in %.1f s\n", QFileInfo(path).size(), t.elapsed() / 1e3);
    }
    // An open store on the notebook, as in the program.
    Notebook db;
    db.open(path);
    const QString copies = folder + "/backups";
    QDir(copies).removeRecursively();

    // The copy driven by the event loop, with a 1 ms timer standing in for the window: the
    // longest gap between its ticks is the longest the window would wait.
    int argc = 1;
    char name[] = "qb-bench-history";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    BackupRunner runner;
    QElapsedTimer total, gap;
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, gap.nsecsElapsed());
        gap.restart();
    });
    QString result;
    QObject::connect(&runner, &BackupRunner::finished, [&](int state, const QString &copy, const QString &error) {
        result = state == BackupJob::Done ? QStringLiteral("done, %1 bytes").arg(QFileInfo(copy).size()) : error;
        app.quit();
    });
    tick.start(1);
    gap.start();
    total.start();
    runner.start(path, copies);
    app.exec();
    std::printf("automatic copy of the 100k notebook through the event loop: %.2f s (%s); longest wait of "
                "the event loop %.1f ms\n",
                total.elapsed() / 1e3, qPrintable(result), longest / 1e6);

    // The same copy stepped by hand, timing each step.
    QDir(copies).removeRecursively();
    BackupJob job(path, copies);
    double longestStep = 0;
    int steps = 0;
    QElapsedTimer t;
    total.start();
    std::vector<std::pair<double, int>> slow; // (ms, step number) of the slowest steps
    while (!job.finished()) {
        t.start();
        const BackupJob::State s = job.step();
        const double ms = t.nsecsElapsed() / 1e6;
        longestStep = std::max(longestStep, ms);
        slow.push_back({ms, steps});
        ++steps;
        if (s == BackupJob::Checking)
            QThread::msleep(10);
    }
    std::printf("the same copy stepped by hand: %.2f s, %d steps, longest step %.1f ms\n", total.elapsed() / 1e3,
                steps, longestStep);
    std::sort(slow.rbegin(), slow.rend());
    std::printf("slowest steps (ms, step number):");
    for (std::size_t i = 0; i < std::min<std::size_t>(5, slow.size()); ++i)
        std::printf(" %.1f #%d", slow[i].first, slow[i].second);
    std::printf("\n");
    // Unchanged since: skipped.
    BackupJob again(path, copies);
    total.start();
    std::printf("a second copy of the unchanged notebook: %s in %.1f ms\n",
                again.runToEnd() == BackupJob::Skipped ? "skipped" : "copied", total.nsecsElapsed() / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[2], "backup") == 0) {
        backup(QString::fromLocal8Bit(argv[1]));
        return 0;
    }
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QDir().mkpath(folder);
    saveCost(folder);
    growth(folder, true);
    growth(folder, false);
    backup(folder);
    return 0;
}
