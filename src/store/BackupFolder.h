#pragma once

#include <QDateTime>
#include <QFileDevice>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

// The folder of a notebook's automatic copies, as AutoBackup and the restore share it: names,
// the folder's and the copies' permissions, and the record kept beside the copies. Internal to
// the store.
namespace BackupFolder {

// "<notebook>-<yyyyMMdd>-<HHmmss>.qbf", or with BeforeRestoreTag before ".qbf" for the notebook
// as it was before a restore replaced it. Capture 1 is the time, capture 2 the tag.
QRegularExpression namePattern(const QString &notebook);
extern const QString BeforeRestoreTag;
extern const QString TimeFormat;
// A name of that form for when (moved on by a second while taken) that no file in folder has.
QString freeName(const QString &folder, const QString &notebook, QDateTime when, bool beforeRestore);

// Makes the folder if need be and keeps it to its owner. False when it cannot be made.
bool prepare(const QString &folder);
// What a copy of notebook may be read by: the notebook's own permissions.
QFileDevice::Permissions permissionsOf(const QString &notebook);

// The record ".<notebook>.copies": the order the copies were made in (names and the clock can
// both go backwards), each copy's size and time when made (a copy written since is no longer
// a plain copy), the copies the last restore involved, and what the newest automatic copy was
// made from. Replaced whole at each change, so a crash leaves the old record or the new one.
struct Entry
{
    QString name;
    qint64 size = 0;
    qint64 modifiedMs = 0;
};

struct Record
{
    std::vector<Entry> copies; // oldest first
    QStringList kept;          // left alone by the rotation
    QString madeFrom;          // fingerprint of the notebook at the newest automatic copy
};

Record read(const QString &folder, const QString &notebook);
bool write(const QString &folder, const QString &notebook, const Record &record);
// Notes the file at path as the newest copy, forgetting copies that are gone.
void append(Record &record, const QString &folder, const QString &path);

} // namespace BackupFolder
