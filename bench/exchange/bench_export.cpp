// Exports the 100,000-note benchmark notebook and reports wall time and peak memory.
// Usage: qb-bench-export FOLDER [FORMAT]   (format: html by default). The first run builds the
// notebook in FOLDER, the next ones measure.

#include "NotebookGenerator.h"
#include "exchange/Export.h"
#include "store/Notebook.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <utility>
#include <sys/resource.h>

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// User and system CPU time of the process so far, in seconds: on a shared machine wall time
// mostly measures the neighbours.
std::pair<double, double> cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: qb-bench-export FOLDER [html|md|pdf|txt|rtf]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const auto format = exchange::formatNamed(argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("html"));
    if (!format) {
        std::fprintf(stderr, "unknown format\n");
        return 2;
    }
    QDir().mkpath(folder);
    const QString notebook = QDir(folder).filePath(QStringLiteral("store-100k.qbf"));
    if (!QFileInfo::exists(notebook)) {
        const QString error = NotebookGenerator::generate(notebook, 100000, 100);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        // Building it costs more memory than the export; measure in a fresh process.
        std::printf("built %s; run again with the same folder to measure\n", qPrintable(notebook));
        return 0;
    }
    Notebook db;
    db.open(notebook);
    if (!db.isOpen())
        return 1;
    const QString out = QDir(folder).filePath(QStringLiteral("export"));
    QDir(out).removeRecursively();
    const auto [user0, system0] = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const exchange::ExportResult r = exchange::exportNotes(db, {exchange::ExportScope::Notebook, 0}, *format, out, {});
    const double seconds = timer.nsecsElapsed() / 1e9;
    const auto [user1, system1] = cpuSeconds();
    if (!r.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(r.error));
        return 1;
    }
    qint64 bytes = 0;
    for (QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        bytes += QFileInfo(it.next()).size();
    std::printf("files written: %lld (%.0f MB)\n", static_cast<long long>(r.written.size()), bytes / 1e6);
    std::printf("export: %.1f s wall, %.1f s CPU (%.1f user, %.1f system)\n", seconds,
                user1 - user0 + system1 - system0, user1 - user0, system1 - system0);
    std::printf("peak resident memory: %.1f MB\n", peakKiB() / 1024.0);
    return 0;
}
