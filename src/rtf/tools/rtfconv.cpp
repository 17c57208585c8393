// rtfconv: reads an RTF file with our reader and prints it as plain text, HTML or RTF.
#include "QuillbookVersion.h"
#include "rtf/Rtf.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fputs("usage: rtfconv --to text|html|rtf FILE\n       rtfconv --version\n", stderr);
    return 2;
}

bool put(const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
}

// The document's HTML, written a slice of paragraphs and tables at a time: one toHtml() of a long
// body needs several times the document's size at once and ran out of memory.
bool putHtml(const QTextDocument &doc)
{
    constexpr int kSlice = 2000; // paragraphs or tables
    QByteArray tail;
    int from = 0, count = 0;
    bool first = true;
    auto flush = [&](int to) {
        QTextCursor slice(const_cast<QTextDocument *>(&doc));
        slice.setPosition(from);
        slice.setPosition(to, QTextCursor::KeepAnchor);
        QByteArray html = QTextDocumentFragment(slice).toHtml().toUtf8();
        html.replace("<!--StartFragment-->", "").replace("<!--EndFragment-->", "");
        const qsizetype a = html.indexOf('>', html.indexOf("<body")) + 1, b = html.lastIndexOf("</body>");
        if (a <= 0 || b < a)
            return put(html);
        if (first)
            put(html.left(a));
        first = false;
        tail = html.mid(b);
        return put(html.mid(a, b - a));
    };
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (++count < kSlice)
            continue;
        const int to = it.currentFrame() ? it.currentFrame()->lastPosition() + 1 : it.currentBlock().position()
                                                                                      + it.currentBlock().length() - 1;
        if (!flush(to))
            return false;
        from = to + 1;
        count = 0;
    }
    if (first)
        return put(doc.toHtml().toUtf8());
    QTextCursor last(const_cast<QTextDocument *>(&doc));
    last.movePosition(QTextCursor::End);
    if (last.position() > from && !flush(last.position()))
        return false;
    return put(tail);
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
    bool written = false;
    if (to == "text")
        written = put(rtf::plainText(&doc).toUtf8() + '\n');
    else if (to == "html")
        written = putHtml(doc);
    else
        written = put(rtf::write(&doc));
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}
