#include "store/BackupFolder.h"

#include "store/NotebookPrivate.h"
#include "store/NotebookInfo.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace BackupFolder {

const QString BeforeRestoreTag = QStringLiteral("-恢复前");
const QString TimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

namespace {

// Another program writing the notebook holds it for a moment only.
constexpr int ReadWaitMs = 2000;

QString recordPath(const QString &place)
{
    return QDir(place).filePath(QStringLiteral(".copies"));
}

} // namespace

QRegularExpression namePattern()
{
    // Exactly this form, so "notes-2" copies are never taken for "notes" ones.
    return QRegularExpression(QStringLiteral("^(.+)-(\\d{8}-\\d{6})(") + QRegularExpression::escape(BeforeRestoreTag)
                              + QStringLiteral(")?\\.qbf$"));
}

QString freeName(const QString &place, const QString &notebook, QDateTime when, bool beforeRestore)
{
    QString name;
    do {
        name = QFileInfo(notebook).completeBaseName() + QLatin1Char('-') + when.toString(TimeFormat)
               + (beforeRestore ? BeforeRestoreTag : QString()) + QStringLiteral(".qbf");
        when = when.addSecs(1);
    } while (QFileInfo::exists(QDir(place).filePath(name)));
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

std::optional<QString> identityOf(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    std::optional<QString> identity;
    QString why;
    StoreDetail::guarded(why, [&] {
        SQLite::Database db(StoreDetail::nativePath(path), SQLite::OPEN_READONLY, ReadWaitMs, CipherVfs::name());
        identity = NotebookInfo::identity(db);
        return 1;
    });
    return identity;
}

QString placeOf(const QString &folder, const QString &identity)
{
    if (identity.isEmpty())
        return {};
    // The identity comes from the file: one that is not a plain name must not lead elsewhere.
    static const QRegularExpression plain(QStringLiteral("^[0-9A-Za-z]{1,64}$"));
    const QString name = plain.match(identity).hasMatch()
                             ? identity
                             : QString::fromLatin1(
                                   QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256).toHex());
    return QDir(folder).filePath(name);
}

QString findPlace(const QString &folder, const QString &notebook)
{
    if (const std::optional<QString> identity = identityOf(notebook))
        return placeOf(folder, *identity);
    // Unreadable: the copies last made from, or restored to, this path, which is where the
    // notebook the user means stood.
    const QString path = QFileInfo(notebook).absoluteFilePath();
    QString found;
    QDateTime newest;
    const QFileInfoList places = QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &place : places) {
        const QFileInfo record(recordPath(place.absoluteFilePath()));
        if (record.exists() && (found.isEmpty() || record.lastModified() > newest)
            && read(place.absoluteFilePath()).path == path) {
            found = place.absoluteFilePath();
            newest = record.lastModified();
        }
    }
    return found;
}

Record read(const QString &place)
{
    Record record;
    QFile f(recordPath(place));
    if (!f.open(QIODevice::ReadOnly))
        return record;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const int space = line.indexOf(QLatin1Char(' '));
        const QString kind = line.left(space);
        const QString rest = space < 0 ? QString() : line.mid(space + 1);
        if (kind == QLatin1String("made")) {
            record.madeFrom = rest;
        } else if (kind == QLatin1String("path")) {
            record.path = rest;
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

bool write(const QString &place, const Record &record)
{
    QString text = QStringLiteral("made ") + record.madeFrom + QLatin1Char('\n');
    if (!record.path.isEmpty() && !record.path.contains(QLatin1Char('\n')))
        text += QStringLiteral("path ") + record.path + QLatin1Char('\n');
    for (const QString &name : record.kept)
        text += QStringLiteral("keep ") + name + QLatin1Char('\n');
    for (const Entry &e : record.copies)
        text += QStringLiteral("copy %1 %2 %3\n").arg(e.size).arg(e.modifiedMs).arg(e.name);
    QSaveFile f(recordPath(place));
    // Private like the copies it names.
    return f.open(QIODevice::WriteOnly) && f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && f.write(text.toUtf8()) >= 0 && f.commit();
}

void append(Record &record, const QString &place, const QString &path)
{
    const QDir dir(place);
    std::erase_if(record.copies, [&](const Entry &e) { return !QFileInfo::exists(dir.filePath(e.name)); });
    const QFileInfo info(path);
    record.copies.push_back({info.fileName(), info.size(), info.lastModified().toMSecsSinceEpoch()});
}

} // namespace BackupFolder
