// qb-bench-store [folder]: speed of the note store on a 100,000-note notebook.
// Builds (or reuses) store-100k.qbf and store-1k.qbf in the folder (default: a temporary one)
// and prints one line per measurement. Timings are medians over several rounds of the thread's
// CPU time, warm cache; AddNote per second is wall time, since it waits for the disk.

#include "NotebookGenerator.h"

#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

class CountingGroupSink : public GroupSink
{
public:
    int nodes = 0;
    void clear() override { nodes = 0; }
    void addNode(const QString &, const QString &, const QString &, int, int) override { ++nodes; }
};

// Takes the items and drops them: what LoadNotes itself costs.
class DiscardingNoteSink : public NoteSink
{
public:
    std::size_t count = 0;
    void clear() override { count = 0; }
    void addItem(const NoteItem &) override { ++count; }
};

// Keeps every item, as a list model would.
class VectorNoteSink : public NoteSink
{
public:
    std::vector<NoteItem> items;
    void clear() override { items.clear(); }
    void addItem(const NoteItem &item) override { items.push_back(item); }
};

// CPU time of this thread: on a shared machine, wall time mostly measures the neighbours.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double medianMs(int rounds, const std::function<void()> &f)
{
    std::vector<double> t;
    for (int i = 0; i < rounds; ++i) {
        const double start = threadCpuMs();
        f();
        t.push_back(threadCpuMs() - start);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// The floor: the same statement stepped through the C API, reading the same columns.
class BareLoop
{
public:
    explicit BareLoop(const QString &path)
    {
        // Same connection mode as the store: one thread, no per-call mutex.
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr);
        sqlite3_prepare_v2(db_,
                           "SELECT ID, nNoteTitle, nAddDate, nLastUpdate, nPriority, nIcon, nColor FROM Notes "
                           "WHERE nGroupID = ? ORDER BY ID",
                           -1, &s_, nullptr);
    }
    ~BareLoop()
    {
        sqlite3_finalize(s_);
        sqlite3_close(db_);
    }
    int run(qint64 groupId)
    {
        int rows = 0;
        sqlite3_bind_int64(s_, 1, groupId);
        while (sqlite3_step(s_) == SQLITE_ROW) {
            sink_ += sqlite3_column_int64(s_, 0);
            for (int c = 1; c <= 4; ++c) {
                sqlite3_column_text(s_, c);
                sink_ += sqlite3_column_bytes(s_, c);
            }
            sink_ += sqlite3_column_int64(s_, 5);
            sqlite3_column_text(s_, 6);
            sink_ += sqlite3_column_bytes(s_, 6);
            ++rows;
        }
        sqlite3_reset(s_);
        return rows;
    }
    qint64 sink() const { return sink_; }

private:
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *s_ = nullptr;
    qint64 sink_ = 0;
};

// Runs a and b alternately so both see the same machine load; medians of each.
std::pair<double, double> interleavedMs(int rounds, const std::function<void()> &a, const std::function<void()> &b)
{
    std::vector<double> ta, tb;
    for (int i = 0; i < rounds; ++i) {
        ta.push_back(medianMs(1, a));
        tb.push_back(medianMs(1, b));
    }
    std::sort(ta.begin(), ta.end());
    std::sort(tb.begin(), tb.end());
    return {ta[ta.size() / 2], tb[tb.size() / 2]};
}

bool ensureNotebook(const QString &path, int notes, int groups)
{
    if (QFileInfo::exists(path))
        return true;
    QElapsedTimer t;
    t.start();
    const QString error = NotebookGenerator::generate(path, notes, groups);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "cannot build %s: %s\n", qPrintable(path), qPrintable(error));
        return false;
    }
    std::printf("built %s (%d notes, %d groups, %.1f MB) in %.1f s\n", qPrintable(QFileInfo(path).fileName()),
                notes, groups, QFileInfo(path).size() / 1048576.0, t.elapsed() / 1000.0);
    return true;
}

bool open(Notebook &db, const QString &path)
{
    db.open(path);
    if (!db.isOpen())
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(db.lastError()));
    return db.isOpen();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = app.arguments().size() > 1 ? app.arguments().at(1) : temp.path();
    QDir().mkpath(folder);
    const QString big = QDir(folder).filePath(QStringLiteral("store-100k.qbf"));
    const QString small = QDir(folder).filePath(QStringLiteral("store-1k.qbf"));
    if (!ensureNotebook(big, 100000, 100) || !ensureNotebook(small, 1000, 10))
        return 1;

    Notebook db;
    const double openMs = medianMs(21, [&] {
        db.close();
        open(db, big);
    });
    if (!db.isOpen())
        return 1;
    std::printf("Notebook::open (100k notes, %.0f MB):           %8.2f ms\n", QFileInfo(big).size() / 1048576.0,
                openMs);

    CountingGroupSink tree;
    const double groupsMs = medianMs(51, [&] { Groups(db).load(tree); });
    std::printf("Groups::load (%d nodes):                        %8.3f ms\n", tree.nodes, groupsMs);

    DiscardingNoteSink discard;
    VectorNoteSink list;
    BareLoop bare(big);
    int bareRows = 0;
    const auto [listMs, bareMs] = interleavedMs(61, [&] { Notes(db).list(discard, 1); }, [&] { bareRows = bare.run(1); });
    const auto [keptMs, bare2Ms] = interleavedMs(61, [&] { Notes(db).list(list, 1); }, [&] { bare.run(1); });
    std::printf("Notes::list group of %zu notes, items dropped:  %8.2f ms\n", discard.count, listMs);
    std::printf("bare C API loop, same query (%d rows):       %8.2f ms   ratio %.2f (target <= 2)\n", bareRows,
                bareMs, listMs / bareMs);
    std::printf("Notes::list group of %zu notes, items kept:     %8.2f ms   ratio %.2f to the bare loop\n",
                list.items.size(), keptMs, keptMs / bare2Ms);

    const double allMs = medianMs(5, [&] { Notes(db).list(list, -1); });
    std::printf("Notes::list all %zu notes:                    %8.2f ms\n", list.items.size(), allMs);

    Notebook smallDb;
    if (!open(smallDb, small))
        return 1;
    VectorNoteSink smallList;
    const auto [inBigMs, inSmallMs] = interleavedMs(301, [&] { Notes(db).list(list, 2); },
                                                    [&] { Notes(smallDb).list(smallList, 2); });
    const std::size_t inBig = list.items.size();
    std::printf("Notes::list %zu-note group in 100k notebook:      %8.3f ms\n", inBig, inBigMs);
    std::printf("Notes::list %zu-note group in 1k notebook:        %8.3f ms   ratio %.2f (target <= 5)\n",
                smallList.items.size(), inSmallMs, inBigMs / inSmallMs);

    std::mt19937 rng(7);
    std::uniform_int_distribution<qint64> anyId(1, 100000);
    qint64 bytes = 0;
    const int bodies = 2000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < bodies; ++i)
        bytes += Notes(db).body(anyId(rng)).size();
    std::printf("Notes::body, %d random notes:               %8.3f ms each (%.0f chars avg)\n", bodies,
                double(t.nsecsElapsed()) / 1e6 / bodies, double(bytes) / bodies);

    CurrentNote note;
    note.NoteTitle = QStringLiteral("新笔记");
    note.NoteAddDate = note.NoteLastUpdate = QStringLiteral("2026/12/7 10:00");
    note.NotePriority = QStringLiteral("重要");
    note.NoteBody = QString(1000, u'文');
    const int adds = 200;
    std::vector<qint64> added;
    t.restart();
    for (int i = 0; i < adds; ++i) {
        const std::optional<qint64> id = Notes(db).add(50, note);
        if (!id) {
            std::fprintf(stderr, "Notes::add failed: %s\n", qPrintable(db.lastError()));
            return 1;
        }
        added.push_back(*id);
    }
    const double addSec = t.nsecsElapsed() / 1e9;
    std::printf("Notes::add, each durable on disk (synchronous=FULL): %6.0f notes/s\n", adds / addSec);
    for (qint64 id : added)
        Notes(db).remove(id); // keep the notebook reusable for the next run

    t.restart();
    const QString hash = Notebook::hashPassword(QStringLiteral("benchmark"));
    const double hashMs = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    const bool ok = Notebook::passwordMatches(QStringLiteral("benchmark"), hash);
    std::printf("Password hash / check (Argon2id interactive):      %6.0f ms / %.0f ms%s\n", hashMs,
                double(t.nsecsElapsed()) / 1e6, ok ? "" : " (MISMATCH)");

    // Why opening does not run a full page check: what it would cost on this notebook.
    db.close();
    sqlite3 *raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(big).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    t.restart();
    sqlite3_exec(raw, "PRAGMA quick_check", nullptr, nullptr, nullptr);
    std::printf("(for comparison) PRAGMA quick_check on 100k notes: %8.0f ms\n", double(t.nsecsElapsed()) / 1e6);
    sqlite3_close(raw);
    return bare.sink() == 42 ? 3 : 0; // keeps the floor loop's reads from being optimised away
}
