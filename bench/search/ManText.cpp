#include "ManText.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>

namespace ManText {

QString load(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    static const QRegularExpression escapes(QStringLiteral(R"(\\f[BIRP]|\\f\(..|\\\(..|\\[-&e]|\\s[-+]?\d)"));
    QString out;
    for (const QString &file : files) {
        QProcess gz;
        gz.start(QStringLiteral("gzip"), {QStringLiteral("-dcf"), file});
        if (!gz.waitForFinished(10000))
            continue;
        const QString page = QString::fromUtf8(gz.readAllStandardOutput());
        for (const QString &line : page.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
                continue; // requests and comments
            QString text = line;
            text.remove(escapes);
            if (!text.trimmed().isEmpty())
                out += text.trimmed() + QLatin1Char(' ');
        }
    }
    return out;
}

} // namespace ManText
