// Feeds arbitrary bytes to the RTF reader, then writes the document and reads that back.
#include "rtf/Rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rtf_reader_fuzzer";
    static char *argv[] = {name, nullptr};
    static const auto app = std::make_unique<QGuiApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    rtf::readInto(body, &doc);
    const QByteArray written = rtf::write(&doc);
    QTextDocument again;
    rtf::readInto(written, &again);
    (void)rtf::plainText(&again);
    return 0;
}
