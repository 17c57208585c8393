// qb-bench-crypto [folder] [notes]: an encrypted notebook against the same notebook plain.
// Builds (or reuses) crypto-plain.qbf and crypto-sealed.qbf (default 100,000 notes in 100 groups)
// in the folder (default: a temporary one), then measures, interleaving the two files round by
// round so both see the same machine: a full read of every page, opening (key derivation
// excluded), the store's work before the window shows, and saving a note. Prints medians of the thread's CPU time and of wall time.

#include "NotebookGenerator.h"

#include "store/FileOps.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/crypto/CipherVfs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

namespace {

const QString Password = QStringLiteral("bench password");

class CountingGroupSink : public GroupSink
{
public:
    int nodes = 0;
    void clear() override { nodes = 0; }
    void addNode(const QString &, const QString &, const QString &, int, int) override { ++nodes; }
};

class CountingNoteSink : public NoteSink
{
public:
    qint64 firstId = 0;
    void clear() override { firstId = 0; }
    void addItem(const NoteItem &item) override
    {
        if (!firstId)
            firstId = item.key.mid(1).toLongLong();
    }
};

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Timing
{
    std::vector<double> cpu, wall;
    void add(const std::function<void()> &f)
    {
        QElapsedTimer w;
        w.start();
        const double c = threadCpuMs();
        f();
        cpu.push_back(threadCpuMs() - c);
        wall.push_back(double(w.nsecsElapsed()) / 1e6);
    }
    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double cpuMs() const { return median(cpu); }
    double wallMs() const { return median(wall); }
};

void report(const char *what, const Timing &plain, const Timing &sealed)
{
    std::printf("%-34s plain %9.3f ms cpu %9.3f ms wall | encrypted %9.3f ms cpu %9.3f ms wall | ratio cpu %.2f wall %.2f\n",
                what, plain.cpuMs(), plain.wallMs(), sealed.cpuMs(), sealed.wallMs(),
                sealed.cpuMs() / plain.cpuMs(), sealed.wallMs() / plain.wallMs());
}

// Every page of the file through the engine: the whole note table with its bodies and the index,
// on a fresh connection each time so the engine's own cache starts empty.
void readAllPages(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, CipherVfs::name());
    sqlite3_exec(db,
                 "SELECT sum(length(nNote)) FROM Notes NOT INDEXED;"
                 "SELECT count(*) FROM Notes INDEXED BY NotesByGroup; SELECT count(*) FROM Groups",
                 nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

bool build(const QString &plain, const QString &sealed, int notes)
{
    if (QFileInfo::exists(plain) && QFileInfo::exists(sealed))
        return true;
    QFile::remove(plain);
    QFile::remove(sealed);
    QString error = NotebookGenerator::generate(plain, notes, 100);
    // Both files compacted the same way: setting the password writes a compacted copy.
    if (error.isEmpty() && FileOps::Compact(plain, &error) == 1 && QFile::copy(plain, sealed)) {
        Notebook db;
        db.open(sealed);
        if (db.writePassword(Password))
            return true;
        error = db.lastError();
    }
    std::fprintf(stderr, "cannot build the notebooks: %s\n", qPrintable(error));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir temp;
    const QString folder = args.size() > 1 ? args[1] : temp.path();
    const int notes = args.size() > 2 ? args[2].toInt() : 100000;
    const QString plain = folder + QStringLiteral("/crypto-plain.qbf");
    const QString sealed = folder + QStringLiteral("/crypto-sealed.qbf");
    QElapsedTimer buildTime;
    buildTime.start();
    if (!build(plain, sealed, notes))
        return 1;
    std::printf("notebooks of %d notes ready in %.1f s: plain %lld bytes, encrypted %lld bytes\n", notes,
                double(buildTime.elapsed()) / 1e3, QFileInfo(plain).size(), QFileInfo(sealed).size());

    Notebook plainDb;
    Notebook sealedDb;
    QElapsedTimer derive;
    derive.start();
    if (!sealedDb.unlock(sealed, Password))
        return 1;
    std::printf("key derivation (Argon2id, the header's cost): %lld ms wall\n", derive.elapsed());

    Timing readPlain, readSealed;
    readAllPages(plain);
    readAllPages(sealed);
    for (int i = 0; i < 5; ++i) {
        readPlain.add([&] { readAllPages(plain); });
        readSealed.add([&] { readAllPages(sealed); });
    }
    report("full read of every page", readPlain, readSealed);

    Timing openPlain, openSealed;
    for (int i = 0; i < 15; ++i) {
        openPlain.add([&] { plainDb.open(plain); });
        openSealed.add([&] { sealedDb.open(sealed); });
        if (!plainDb.isOpen() || !sealedDb.isOpen())
            return 1;
        plainDb.close();
        sealedDb.close();
    }
    report("open (checks included)", openPlain, openSealed);

    // What the store does before the window shows: open, the group tree, the first group's
    // notes (10,000 of them) and the first note's body.
    Timing startPlain, startSealed;
    const auto firstWindow = [](Notebook &db, const QString &path) {
        db.open(path);
        CountingGroupSink tree;
        Groups(db).load(tree);
        CountingNoteSink list;
        Notes(db).list(list, 1);
        Notes(db).body(list.firstId);
    };
    for (int i = 0; i < 15; ++i) {
        startPlain.add([&] { firstWindow(plainDb, plain); });
        startSealed.add([&] { firstWindow(sealedDb, sealed); });
        plainDb.close();
        sealedDb.close();
    }
    report("store work before the window shows", startPlain, startSealed);

    plainDb.open(plain);
    sealedDb.open(sealed);
    std::mt19937 random(7);
    CurrentNote note;
    note.NoteTitle = QStringLiteral("保存的笔记");
    note.NoteAddDate = note.NoteLastUpdate = QStringLiteral("2026/12/08 01:00");
    note.NotePriority = QStringLiteral("普通");
    Timing savePlain, saveSealed;
    for (int i = 0; i < 40; ++i) {
        const qint64 id = 1 + qint64(random() % unsigned(notes));
        note.NoteBody = QStringLiteral("{\\rtf1 第 %1 次保存 %2}").arg(i).arg(QString(700, u'存'));
        savePlain.add([&] { Notes(plainDb).update(id, note); });
        saveSealed.add([&] { Notes(sealedDb).update(id, note); });
    }
    report("UpdateNote (durable, full sync)", savePlain, saveSealed);
    return 0;
}
