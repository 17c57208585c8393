// Times reading one RTF body into a QTextDocument (the work the preview does on every click),
// and writing it back. Prints medians of several runs, as the thread's CPU time (what the code
// costs) and as wall time (what a user waits on this machine, which other work shares). With
// "preview" as third argument it times what the preview does instead: reading the beginning of
// the body and laying it out at the preview's width.
#include "rtf/Rtf.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Stats
{
    std::vector<double> values;
    void print(const char *what)
    {
        std::sort(values.begin(), values.end());
        std::printf("%-16s median %6.1f ms (min %.1f, max %.1f)\n", what, values[values.size() / 2], values.front(),
                    values.back());
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fputs("usage: rtf_bench_read BODY.rtf [RUNS [preview]]\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray body = file.readAll();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
    if (argc > 3 && QByteArray(argv[3]) == "preview") {
        const QString stored = QString::fromLatin1(body);
        Stats cpuMsStats, wallMs;
        bool cut = false;
        qsizetype shown = 0;
        for (int i = 0; i < runs; ++i) {
            QTextDocument doc;
            QElapsedTimer t;
            t.start();
            const double cpu = cpuMs();
            cut = rtf::readPreview(stored, &doc);
            doc.setTextWidth(600);
            doc.documentLayout()->documentSize();
            cpuMsStats.values.push_back(cpuMs() - cpu);
            wallMs.values.push_back(t.nsecsElapsed() / 1e6);
            shown = doc.characterCount();
        }
        std::printf("body %lld bytes, preview of %lld characters%s, %d runs\n", qlonglong(body.size()),
                    qlonglong(shown), cut ? " (cut)" : "", runs);
        cpuMsStats.print("preview cpu");
        wallMs.print("preview wall");
        return 0;
    }
    Stats readCpu, readWall, writeCpu, writeWall;
    qsizetype chars = 0;
    for (int i = 0; i < runs; ++i) {
        QTextDocument doc;
        QElapsedTimer t;
        t.start();
        double cpu = cpuMs();
        rtf::readInto(body, &doc);
        readCpu.values.push_back(cpuMs() - cpu);
        readWall.values.push_back(t.nsecsElapsed() / 1e6);
        chars = doc.characterCount();
        t.restart();
        cpu = cpuMs();
        const QByteArray out = rtf::write(&doc);
        writeCpu.values.push_back(cpuMs() - cpu);
        writeWall.values.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("body %lld bytes, %lld characters, %d runs\n", qlonglong(body.size()), qlonglong(chars), runs);
    readCpu.print("readInto cpu");
    readWall.print("readInto wall");
    writeCpu.print("write cpu");
    writeWall.print("write wall");
    return 0;
}
