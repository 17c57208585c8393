#pragma once

#include <QDateTime>
#include <QFileDevice>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The folder of automatic copies, as AutoBackup and the restore share it: names, permissions,
// which notebook a copy belongs to, and the record kept beside the copies. Internal to the store.
//
// Each notebook's copies have a folder of their own inside it, named by the notebook's identity,
// so two notebooks of the same file name never share copies, a record or a rotation. Copies made
// before notebooks had an identity lie in the folder itself and are left as they are.
namespace BackupFolder {

// "<notebook>-<yyyyMMdd>-<HHmmss>.qbf", or with BeforeRestoreTag before ".qbf" for the notebook
// as it was before a restore replaced it. Capture 1 is the notebook's name, 2 the time, 3 the tag.
QRegularExpression namePattern();
extern const QString BeforeRestoreTag;
extern const QString TimeFormat;
// A name of that form for when (moved on by a second while taken) that no file in place has.
QString freeName(const QString &place, const QString &notebook, QDateTime when, bool beforeRestore);

// Makes the folder if need be and keeps it to its owner. False when it cannot be made.
bool prepare(const QString &folder);
// What a copy of notebook may be read by: the notebook's own permissions.
QFileDevice::Permissions permissionsOf(const QString &notebook);

// The identity the file at path says it has: "" for an older layout that has none (opened
// read-only, so never brought up to date); nullopt when the file cannot be read (gone, damaged,
// or encrypted under a key not unlocked).
std::optional<QString> identityOf(const QString &path);
// The folder inside folder for the copies of the notebook of that identity; "" for no identity.
QString placeOf(const QString &folder, const QString &identity);
// Where the copies of the notebook at path are: by its identity; when that cannot be read, the
// place whose copies were last made from (or restored to) this path. "" when neither.
QString findPlace(const QString &folder, const QString &notebook);

// The record ".copies" of a place: the order the copies were made in (names and the clock can
// both go backwards), each copy's size and time when made (a copy written since is no longer
// a plain copy), the copies the last restore involved, what the newest automatic copy was made
// from, and where the notebook was then. Replaced whole at each change, so a crash leaves the
// old record or the new one.
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
    QString path;              // absolute path of the notebook at the newest copy or restore
};

Record read(const QString &place);
bool write(const QString &place, const Record &record);
// Notes the file at path as the newest copy, forgetting copies that are gone.
void append(Record &record, const QString &place, const QString &path);

} // namespace BackupFolder
