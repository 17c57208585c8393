// Times reading one RTF body into a QTextDocument (the work the preview does on every click),
// and writing it back. Prints the median of several runs.
#include "Rtf.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fputs("usage: rtf_bench_read BODY.rtf [RUNS]\n", stderr);
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
    std::vector<double> readMs, writeMs;
    qsizetype chars = 0;
    for (int i = 0; i < runs; ++i) {
        QTextDocument doc;
        QElapsedTimer t;
        t.start();
        rtf::readInto(body, &doc);
        readMs.push_back(t.nsecsElapsed() / 1e6);
        chars = doc.characterCount();
        t.restart();
        const QByteArray out = rtf::write(&doc);
        writeMs.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(readMs.begin(), readMs.end());
    std::sort(writeMs.begin(), writeMs.end());
    std::printf("body %lld bytes, %lld characters, %d runs\n", qlonglong(body.size()), qlonglong(chars), runs);
    std::printf("readInto: median %.1f ms (min %.1f, max %.1f)\n", readMs[readMs.size() / 2], readMs.front(), readMs.back());
    std::printf("write:    median %.1f ms (min %.1f, max %.1f)\n", writeMs[writeMs.size() / 2], writeMs.front(),
                writeMs.back());
    return 0;
}
