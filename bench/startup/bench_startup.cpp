// qb-bench-startup [notes...]: time from starting quillbook on a notebook until its window shows
// the first group's notes and the first note's preview, as a whole process, with its peak memory.
// Run under a display (xvfb-run). The notebooks come from the store benchmark's generator.

#include "NotebookGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run
{
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// One start of the program; the environment variable makes it quit after the first activation.
Run runOnce(const QByteArray &program, const QByteArray &notebook)
{
    Run r;
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QUILLBOOK_QUIT_AFTER_START", "1", 1);
        execl(program.constData(), program.constData(), notebook.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        r.seconds = t.nsecsElapsed() / 1e9;
        r.peakKb = usage.ru_maxrss;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList sizes = app.arguments().mid(1);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("1000"), QStringLiteral("100000")};
    const QByteArray program = QFile::encodeName(QStringLiteral(QUILLBOOK_PROGRAM));
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "qb-bench-startup: needs a display; run it under xvfb-run -a\n");
        return 2;
    }

    // Settings, the data folder and the instance lock of the runs stay apart from the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    QFile::setPermissions(home.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    std::printf("%-8s %6s %10s %10s %10s\n", "notes", "runs", "median s", "max s", "peak MB");
    for (const QString &size : sizes) {
        const int notes = size.toInt();
        const QString path = home.filePath(QStringLiteral("bench-%1.qbf").arg(notes));
        const QString error = NotebookGenerator::generate(path, notes, 100);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "qb-bench-startup: %s\n", qPrintable(error));
            return 1;
        }
        runOnce(program, QFile::encodeName(path)); // warm the file cache
        std::vector<double> times;
        long peak = 0;
        const int runs = 5;
        for (int i = 0; i < runs; ++i) {
            const Run r = runOnce(program, QFile::encodeName(path));
            if (r.status != 0) {
                std::fprintf(stderr, "qb-bench-startup: quillbook ended with status %d\n", r.status);
                return 1;
            }
            times.push_back(r.seconds);
            peak = std::max(peak, r.peakKb);
        }
        std::sort(times.begin(), times.end());
        std::printf("%-8d %6d %10.3f %10.3f %10.1f\n", notes, runs, times[times.size() / 2], times.back(),
                    peak / 1024.0);
    }
    return 0;
}
