// rtfconv: reads an RTF file with our reader and prints it as plain text, HTML or RTF.
#include "QuillbookVersion.h"
#include "Rtf.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fputs("usage: rtfconv --to text|html|rtf FILE\n       rtfconv --version\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("rtfconv " QUILLBOOK_VERSION);
        return 0;
    }
    if (argc != 4 || std::strcmp(argv[1], "--to") != 0)
        return usage();
    const QByteArray to = argv[2];
    if (to != "text" && to != "html" && to != "rtf")
        return usage();
    // Fonts and images need a GUI application; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    QFile file(QString::fromLocal8Bit(argv[3]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "rtfconv: cannot read %s: %s\n", argv[3], qPrintable(file.errorString()));
        return 1;
    }
    const QByteArray body = file.readAll();
    QTextDocument doc;
    rtf::readInto(body, &doc);
    QByteArray out;
    if (to == "text")
        out = rtf::plainText(&doc).toUtf8() + '\n';
    else if (to == "html")
        out = doc.toHtml().toUtf8();
    else
        out = rtf::write(&doc);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
