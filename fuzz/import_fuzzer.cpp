// Imports arbitrary bytes as each kind of file: text, RTF, HTML and Markdown.
#include "exchange/FileImport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "import_fuzzer";
    static char *argv[] = {name, nullptr};
    static const auto app = std::make_unique<QGuiApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const char *name : {"a.txt", "a.rtf", "a.html", "a.md"}) {
        const QString path = QDir(dir.path()).filePath(QString::fromLatin1(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return 0;
        file.close();
        QString error;
        QStringList skipped;
        (void)exchange::noteFromFile(path, &error, &skipped);
    }
    return 0;
}
