#include "store/BackupFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace BackupFolder {

const QString BeforeRestoreTag = QStringLiteral("-恢复前");
const QString TimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

namespace {

QString baseOf(const QString &notebook)
{
    return QFileInfo(notebook).completeBaseName();
}

QString recordPath(const QString &folder, const QString &notebook)
{
    return QDir(folder).filePath(QLatin1Char('.') + baseOf(notebook) + QStringLiteral(".copies"));
}

} // namespace

QRegularExpression namePattern(const QString &notebook)
{
    // Exactly this form, so "notes-2" copies are never taken for "notes" ones.
    return QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(baseOf(notebook))
                              + QStringLiteral("-(\\d{8}-\\d{6})(") + QRegularExpression::escape(BeforeRestoreTag)
                              + QStringLiteral(")?\\.qbf$"));
}

QString freeName(const QString &folder, const QString &notebook, QDateTime when, bool beforeRestore)
{
    QString name;
    do {
        name = baseOf(notebook) + QLatin1Char('-') + when.toString(TimeFormat)
               + (beforeRestore ? BeforeRestoreTag : QString()) + QStringLiteral(".qbf");
        when = when.addSecs(1);
    } while (QFileInfo::exists(QDir(folder).filePath(name)));
    return name;
}

bool prepare(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    // The copies hold every note: nobody else may even list them.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

QFileDevice::Permissions permissionsOf(const QString &notebook)
{
    // The "user" bits say what the running user may do, not what the file grants.
    return QFile::permissions(notebook)
           & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup
              | QFileDevice::ReadOther | QFileDevice::WriteOther);
}

Record read(const QString &folder, const QString &notebook)
{
    Record record;
    QFile f(recordPath(folder, notebook));
    if (!f.open(QIODevice::ReadOnly))
        return record;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const int space = line.indexOf(QLatin1Char(' '));
        const QString kind = line.left(space);
        const QString rest = space < 0 ? QString() : line.mid(space + 1);
        if (kind == QLatin1String("made")) {
            record.madeFrom = rest;
        } else if (kind == QLatin1String("keep")) {
            record.kept << rest;
        } else if (kind == QLatin1String("copy")) {
            // "copy <size> <modified ms> <name>": the name last, as it may hold spaces.
            const QStringList parts = rest.split(QLatin1Char(' '));
            if (parts.size() >= 3)
                record.copies.push_back({parts.mid(2).join(QLatin1Char(' ')), parts[0].toLongLong(),
                                         parts[1].toLongLong()});
        }
    }
    return record;
}

bool write(const QString &folder, const QString &notebook, const Record &record)
{
    QString text = QStringLiteral("made ") + record.madeFrom + QLatin1Char('\n');
    for (const QString &name : record.kept)
        text += QStringLiteral("keep ") + name + QLatin1Char('\n');
    for (const Entry &e : record.copies)
        text += QStringLiteral("copy %1 %2 %3\n").arg(e.size).arg(e.modifiedMs).arg(e.name);
    QSaveFile f(recordPath(folder, notebook));
    // Private like the copies it names.
    return f.open(QIODevice::WriteOnly) && f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && f.write(text.toUtf8()) >= 0 && f.commit();
}

void append(Record &record, const QString &folder, const QString &path)
{
    const QDir dir(folder);
    std::erase_if(record.copies, [&](const Entry &e) { return !QFileInfo::exists(dir.filePath(e.name)); });
    const QFileInfo info(path);
    record.copies.push_back({info.fileName(), info.size(), info.lastModified().toMSecsSinceEpoch()});
}

} // namespace BackupFolder
