// qb-bench-search [folder [notes [index]]]: search on 100,000 notes (by default) of Chinese RTF.
// Builds the notebook (text from the installed Chinese manual pages), indexes it from scratch
// (and stops there when the third argument is "index"), times a query set against a full scan
// of the plain text, the command-line search as a whole process, and a save with and without
// the index update.

#include "ManText.h"
#include "NotebookGenerator.h"
#include "search/NoteIndex.h"
#include "search/NoteSearch.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <ctime>
#include <sys/resource.h>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Runs = 5;

// CPU time of this thread in ms: the machine is shared, and wall time mostly measures the
// neighbours; both are reported.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double childrenCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::string u8(const QString &s)
{
    return s.toStdString();
}

// The floor: every plain text read once and searched for every term.
qint64 scan(SQLite::Database &db, const QStringList &terms)
{
    std::vector<std::string> t;
    for (const QString &s : terms)
        t.push_back(u8(s));
    SQLite::Statement q(db, "SELECT n.Title, b.Body FROM SearchNotes n JOIN SearchBodies b ON b.ID = n.ID");
    qint64 hits = 0;
    while (q.executeStep()) {
        const std::string_view title(static_cast<const char *>(q.getColumn(0).getBlob()),
                                     std::size_t(q.getColumn(0).getBytes()));
        const std::string_view body(static_cast<const char *>(q.getColumn(1).getBlob()),
                                    std::size_t(q.getColumn(1).getBytes()));
        bool all = true;
        for (const std::string &term : t)
            all = all && (title.find(term) != std::string_view::npos || body.find(term) != std::string_view::npos);
        hits += all ? 1 : 0;
    }
    return hits;
}

qint64 tableBytes(SQLite::Database &db, const char *likeName)
{
    try {
        SQLite::Statement q(db, "SELECT coalesce(sum(pgsize), 0) FROM dbstat WHERE name LIKE ?");
        q.bind(1, likeName);
        return q.executeStep() ? q.getColumn(0).getInt64() : -1;
    } catch (const SQLite::Exception &) {
        return -1;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    QDir().mkpath(folder);
    const int noteCount = argc > 2 ? std::atoi(argv[2]) : 100000;
    const QString path = folder + QStringLiteral("/search-notebook.qbf");

    const QString text = ManText::load();
    if (text.size() < 10000) {
        std::fprintf(stderr, "no Chinese manual pages under /usr/share/man/zh_CN (apt-get install manpages-zh)\n");
        return 1;
    }
    std::printf("text source: %lld characters of Chinese manual pages\n", qlonglong(text.size()));

    QFile::remove(path);
    QElapsedTimer t;
    t.start();
    const QString err = NotebookGenerator::generate(path, noteCount, 100, text);
    if (!err.isEmpty()) {
        std::fprintf(stderr, "generate: %s\n", qPrintable(err));
        return 1;
    }
    const qint64 before = QFileInfo(path).size();
    std::printf("notebook: %d notes, %.1f MB, written in %.1f s\n", noteCount, before / 1e6, t.elapsed() / 1000.0);

    Notebook db;
    NoteIndex::attach(db);
    db.open(path);
    if (!db.isOpen()) {
        std::fprintf(stderr, "open: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    t.restart();
    const double buildCpu0 = cpuMs();
    if (!NoteSearch(db).buildIndex()) {
        std::fprintf(stderr, "index: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    const double buildSeconds = t.elapsed() / 1000.0;
    const double buildCpuSeconds = (cpuMs() - buildCpu0) / 1000.0;
    const qint64 after = QFileInfo(path).size();

    SQLite::Database raw(QFile::encodeName(path).toStdString(), SQLite::OPEN_READONLY);
    const qint64 plain = raw.execAndGet("SELECT sum(length(CAST(Body AS BLOB))) FROM SearchBodies").getInt64()
        + raw.execAndGet("SELECT sum(length(CAST(Title AS BLOB))) FROM SearchNotes").getInt64();
    std::printf("index build from scratch: %.1f s wall, %.1f s CPU; file %.1f MB -> %.1f MB (+%.1f MB)\n",
                buildSeconds, buildCpuSeconds,
                before / 1e6, after / 1e6, (after - before) / 1e6);
    std::printf("plain text (UTF-8): %.1f MB; growth / plain text = %.2f\n", plain / 1e6,
                double(after - before) / double(plain));
    const qint64 grams = tableBytes(raw, "SearchGrams%"), texts = tableBytes(raw, "SearchBodies") + tableBytes(raw, "SearchNotes");
    if (grams >= 0)
        std::printf("  of which SearchGrams %.1f MB, folded texts %.1f MB\n", grams / 1e6, texts / 1e6);

    if (argc > 3 && std::string(argv[3]) == "index")
        return 0; // the build alone, for profiling it
    // The query set: fixed words plus pieces of the source text of each length.
    QStringList queries = {QStringLiteral("的"), QStringLiteral("是"), QStringLiteral("用户"),
                           QStringLiteral("文件"), QStringLiteral("配置文件"), QStringLiteral("the"),
                           QStringLiteral("password"), QStringLiteral("用户 密码"), QStringLiteral("man 手册"),
                           QStringLiteral("量子纠缠"), QStringLiteral("zqxjk"), QStringLiteral("不存在的字符串")};
    std::mt19937 rng(14);
    for (const int len : {1, 2, 3, 4, 6}) {
        for (int k = 0; k < 3; ++k) {
            QString piece;
            do {
                const qsizetype at = std::uniform_int_distribution<qsizetype>(0, text.size() - len)(rng);
                piece = text.mid(at, len);
            } while (piece.contains(QLatin1Char(' ')) || piece.front().unicode() < 0x3000);
            queries << piece;
        }
    }

    std::printf("\n%-16s %8s %8s %10s %10s %10s %7s\n", "query", "found", "shown", "search ms", "(CPU)",
                "scan ms", "ratio");
    std::vector<double> searchTimes, searchCpu, scanTimes, all, allCpu;
    for (const QString &q : queries) {
        SearchOptions options; // whole notebook, first 200
        std::optional<SearchResult> r;
        std::vector<double> s, c;
        for (int i = 0; i < Runs; ++i) {
            t.restart();
            const double c0 = cpuMs();
            r = NoteSearch(db).find(q, options);
            if (!r) {
                std::fprintf(stderr, "search: %s\n", qPrintable(db.lastError()));
                return 1;
            }
            s.push_back(t.nsecsElapsed() / 1e6);
            c.push_back(cpuMs() - c0);
            all.push_back(s.back());
            allCpu.push_back(c.back());
        }
        std::vector<double> f;
        qint64 floorHits = 0;
        for (int i = 0; i < 3; ++i) {
            t.restart();
            floorHits = scan(raw, r->terms);
            f.push_back(t.nsecsElapsed() / 1e6);
        }
        if (floorHits != r->total) {
            std::fprintf(stderr, "MISMATCH for %s: index %lld, scan %lld\n", qPrintable(q), qlonglong(r->total),
                         qlonglong(floorHits));
            return 1;
        }
        searchTimes.push_back(median(s));
        searchCpu.push_back(median(c));
        scanTimes.push_back(median(f));
        std::printf("%-16s %8lld %8zu %10.2f %10.2f %10.1f %7.3f\n", qPrintable(q), qlonglong(r->total),
                    r->hits.size(), median(s), median(c), median(f), median(s) / median(f));
    }
    std::printf("search: median of query medians %.2f ms (CPU %.2f ms), slowest single run %.2f ms (CPU %.2f ms); "
                "scan median %.1f ms; ratio of medians %.3f\n",
                median(searchTimes), median(searchCpu), *std::max_element(all.begin(), all.end()),
                *std::max_element(allCpu.begin(), allCpu.end()), median(scanTimes),
                median(searchTimes) / median(scanTimes));

    // The command line as a whole process.
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/quillbook-cli");
    std::vector<double> cliTimes, cliCpu;
    for (const QString &q : {QStringLiteral("用户"), QStringLiteral("的"), QStringLiteral("配置文件"),
                             QStringLiteral("password"), QStringLiteral("用户 密码")}) {
        for (int i = 0; i < 3; ++i) {
            QProcess p;
            const double c0 = childrenCpuMs();
            t.restart();
            p.start(cli, {QStringLiteral("search"), path, q, QStringLiteral("--limit"), QStringLiteral("200")});
            p.waitForFinished(60000);
            cliTimes.push_back(t.nsecsElapsed() / 1e6);
            cliCpu.push_back(childrenCpuMs() - c0);
            if (p.exitCode() != 0) {
                std::fprintf(stderr, "quillbook-cli failed: %s\n", p.readAllStandardError().constData());
                return 1;
            }
        }
    }
    std::printf("quillbook-cli search, whole process: median %.1f ms wall (CPU %.1f ms), slowest %.1f ms (%zu runs)\n",
                median(cliTimes), median(cliCpu), *std::max_element(cliTimes.begin(), cliTimes.end()),
                cliTimes.size());

    // A save with its index update against the same save without it: the store's UpdateNote
    // on this connection, and on a second one given no index (the store then leaves
    // the note to a later build); both keep the note's history. Beside them, the bare UPDATE in a
    // transaction on a copy without the index and without history. Interleaved, so all three
    // see the same disk and neighbours; enough saves that the staged notes go into the
    // full-text table several times.
    const QString bare = folder + QStringLiteral("/search-bare.qbf");
    QFile::remove(bare);
    raw.exec("VACUUM INTO '" + QFile::encodeName(bare).toStdString() + "'");
    {
        SQLite::Database b(QFile::encodeName(bare).toStdString(), SQLite::OPEN_READWRITE);
        b.exec("DROP TRIGGER SearchNoteAdded; DROP TRIGGER SearchNoteChanged; DROP TRIGGER SearchNoteDeleted;"
               "DROP TABLE SearchGrams; DROP TABLE SearchNotes; DROP TABLE SearchBodies; DROP TABLE SearchPending;"
               "DROP TABLE SearchStaged; VACUUM");
    }
    SQLite::Database b(QFile::encodeName(bare).toStdString(), SQLite::OPEN_READWRITE);
    b.exec("PRAGMA synchronous = FULL; PRAGMA secure_delete = ON; PRAGMA journal_mode = DELETE");
    SQLite::Statement upd(b, "UPDATE Notes SET nNoteTitle = ?, nPriority = ?, nIcon = ?, nLastUpdate = ?, "
                             "nColor = ?, nNote = ? WHERE ID = ?");
    Notebook unindexed;
    unindexed.open(path);
    std::vector<double> with, without, plainSql, withCpu, withoutCpu, plainCpu;
    std::uniform_int_distribution<int> pick(1, noteCount);
    auto noteFor = [&](int i, int id) {
        CurrentNote n;
        n.NoteTitle = QStringLiteral("改过的标题 %1").arg(i);
        n.NoteAddDate = QStringLiteral("2026/12/08 01:%1").arg(i % 60, 2, 10, QLatin1Char('0'));
        n.NotePriority = QStringLiteral("重要");
        // The body changes as when typing: one character more at the end of the text.
        n.NoteBody = Notes(db).body(id);
        n.NoteBody.insert(n.NoteBody.lastIndexOf(QLatin1Char('}')), QStringLiteral("\\u%1?").arg(0x4e00 + i));
        return n;
    };
    for (int i = 0; i < 300; ++i) {
        const int id = pick(rng);
        const CurrentNote n = noteFor(i, id);
        t.restart();
        double c0 = cpuMs();
        if (!Notes(db).update(id, n)) {
            std::fprintf(stderr, "save: %s\n", qPrintable(db.lastError()));
            return 1;
        }
        with.push_back(t.nsecsElapsed() / 1e6);
        withCpu.push_back(cpuMs() - c0);
        const int other = pick(rng);
        const CurrentNote m = noteFor(i, other);
        t.restart();
        c0 = cpuMs();
        if (!Notes(unindexed).update(other, m)) {
            std::fprintf(stderr, "save: %s\n", qPrintable(unindexed.lastError()));
            return 1;
        }
        without.push_back(t.nsecsElapsed() / 1e6);
        withoutCpu.push_back(cpuMs() - c0);
        t.restart();
        c0 = cpuMs();
        SQLite::Transaction tx(b, SQLite::TransactionBehavior::IMMEDIATE);
        upd.bind(1, u8(n.NoteTitle));
        upd.bind(2, u8(n.NotePriority));
        upd.bind(3, 1);
        upd.bind(4, u8(n.NoteAddDate));
        upd.bind(5, "0");
        upd.bind(6, u8(n.NoteBody));
        upd.bind(7, id);
        upd.exec();
        upd.reset();
        tx.commit();
        plainSql.push_back(t.nsecsElapsed() / 1e6);
        plainCpu.push_back(cpuMs() - c0);
    }
    auto mean = [](const std::vector<double> &v) {
        double sum = 0;
        for (const double x : v)
            sum += x;
        return v.empty() ? 0 : sum / double(v.size());
    };
    std::printf("save one note (Notes::update, medians of %zu, interleaved): with index %.2f ms, without %.2f ms wall; "
                "ratio %.2f\n",
                with.size(), median(with), median(without), median(with) / median(without));
    std::printf("  CPU: with index %.2f ms, without %.2f ms, ratio %.2f; means %.2f / %.2f ms (ratio %.2f), "
                "slowest with index %.1f ms\n",
                median(withCpu), median(withoutCpu), median(withCpu) / median(withoutCpu), mean(withCpu),
                mean(withoutCpu), mean(withCpu) / mean(withoutCpu),
                *std::max_element(withCpu.begin(), withCpu.end()));
    std::printf("  bare UPDATE on a copy without index and history: %.2f ms wall, %.2f ms CPU\n", median(plainSql),
                median(plainCpu));
    QFile::remove(bare);
    return 0;
}
