#include "store/crypto/SeenCommits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QStandardPaths>

namespace SeenCommits {

namespace {

// One line per file: its identity in hex, a blank, the count.
QMap<QByteArray, quint64> load()
{
    QMap<QByteArray, quint64> counts;
    QFile f(path());
    if (!f.open(QIODevice::ReadOnly))
        return counts;
    while (!f.atEnd()) {
        const QList<QByteArray> fields = f.readLine().trimmed().split(' ');
        bool ok = false;
        const quint64 count = fields.size() == 2 ? fields[1].toULongLong(&ok) : 0;
        if (ok)
            counts.insert(fields[0], count);
    }
    return counts;
}

} // namespace

QString path()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("Quillbook/seen-commits"));
}

quint64 highest(const QByteArray &fileId)
{
    return load().value(fileId.toHex());
}

bool record(const QByteArray &fileId, quint64 count, bool accepted)
{
    QMap<QByteArray, quint64> counts = load();
    quint64 &kept = counts[fileId.toHex()];
    if (kept == count || (kept > count && !accepted))
        return true;
    kept = count;
    if (!QDir().mkpath(QFileInfo(path()).absolutePath()))
        return false;
    // Which notebooks this user opens, and how often they change, is nobody else's business.
    QSaveFile f(path());
    if (!f.open(QIODevice::WriteOnly) || !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        f.write(it.key() + ' ' + QByteArray::number(it.value()) + '\n');
    return f.commit();
}

} // namespace SeenCommits
