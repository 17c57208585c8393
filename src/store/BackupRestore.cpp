// Restoring a notebook from one of its automatic copies (declared in AutoBackup.h).
#include "store/AutoBackup.h"

#include "store/BackupFolder.h"
#include "store/FileOps.h"
#include "store/NotebookFile.h"
#include "store/crypto/CipherVfs.h"
#include "store/crypto/NotebookHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace AutoBackup {

namespace {

// The file's bytes as they are, for a notebook the engine cannot read (damaged, or locked by a
// password not given): synced under a temporary name, then renamed.
bool copyBytes(const QString &from, const QString &to, QString *error)
{
    QFile source(from);
    QTemporaryFile temp(QFileInfo(to).absolutePath() + QStringLiteral("/.quillbook-XXXXXX.tmp"));
    if (!source.open(QIODevice::ReadOnly) || !temp.open()) {
        *error = QStringLiteral("cannot copy %1: %2").arg(from, source.errorString() + temp.errorString());
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() || temp.write(chunk) != chunk.size()) {
            *error = QStringLiteral("cannot copy %1: %2").arg(from, source.errorString() + temp.errorString());
            return false;
        }
    }
    if (!temp.flush() || !NotebookFile::syncFile(temp.fileName()) || !temp.rename(to)) {
        *error = QStringLiteral("cannot write %1: %2").arg(to, temp.errorString());
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}

// The notebook as it is now, as a copy tagged as the one before a restore. "" on failure.
QString keepCurrent(const QString &notebook, const QString &place, const QDateTime &now, QString *error)
{
    const QString kept = QDir(place).filePath(BackupFolder::freeName(place, notebook, now, true));
    QString why;
    if (FileOps::BackupTo(notebook, kept, &why) != 1 && !copyBytes(notebook, kept, error)) {
        *error = why + QLatin1Char('\n') + *error;
        return {};
    }
    QFile::setPermissions(kept, BackupFolder::permissionsOf(notebook));
    NotebookFile::syncFolder(place);
    return kept;
}

} // namespace

bool needsPassword(const QString &copy)
{
    NotebookHeader::Header header;
    return NotebookHeader::read(copy, &header) == NotebookHeader::Kind::Encrypted && !CipherVfs::keyFor(header);
}

bool restore(const QString &notebook, const QString &copy, const QString &folder, QString *keptCopy,
             QString *error, const QDateTime &now)
{
    // What is replaced stays with the copies of the notebook it is; one that tells nothing of
    // itself and was never copied from here goes with the copy that takes its place.
    QString place = BackupFolder::findPlace(folder, notebook);
    if (place.isEmpty())
        place = QFileInfo(copy).absolutePath();
    if (!BackupFolder::prepare(folder) || !BackupFolder::prepare(place)) {
        *error = QStringLiteral("cannot create the folder %1").arg(place);
        return false;
    }
    BackupFolder::Record record = BackupFolder::read(place);
    QString kept;
    if (QFileInfo(notebook).isFile()) {
        kept = keepCurrent(notebook, place, now, error);
        if (kept.isEmpty())
            return false;
        BackupFolder::append(record, place, kept);
    }
    // The copy restored from and the notebook it replaced stay until the next restore.
    record.kept = QStringList{QFileInfo(copy).fileName()};
    if (!kept.isEmpty())
        record.kept << QFileInfo(kept).fileName();
    record.path = QFileInfo(notebook).absoluteFilePath();
    if (!BackupFolder::write(place, record)) {
        *error = QStringLiteral("cannot write the record of the copies in %1").arg(place);
        return false;
    }
    if (FileOps::BackupTo(copy, notebook, error) != 1)
        return false;
    if (keptCopy)
        *keptCopy = kept;
    return true;
}

} // namespace AutoBackup
