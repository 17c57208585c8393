#pragma once

#include "settings/Settings.h"

#include <QString>
#include <memory>

class QSettings;

namespace Tools {

// The per-user store: INI form, organisation and application "Quillbook". Tests redirect it with
// QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder) or pass their own object.
std::unique_ptr<QSettings> OpenSettingsStore();

// "notes.qbf" in the user's data folder (~/.local/share/Quillbook/ on Linux). The program's own
// folder is read-only once installed, so the notebook cannot live there.
QString DefaultDatabasePath();

// Reads all twelve keys of group "Config"; a missing or unusable value yields its default.
void LoadSettings(Settings &s);
void LoadSettings(Settings &s, QSettings &store);

// Writes Database, QuickExit, MinToTray, Maxsized, GroupFont, RecordFont and Skin, in that order,
// as text. The five view keys are left alone: their commands write them when toggled.
void SaveSettings(const Settings &s);
void SaveSettings(const Settings &s, QSettings &store);

// Writes the Database key alone (after a conversion named a new notebook); the other keys keep
// whatever text they hold.
void SaveDatabaseKey(const QString &path);
void SaveDatabaseKey(const QString &path, QSettings &store);
// Writes KeepDays, KeepVersions, KeepPercent, BackupFolder and SearchVariants as text (the
// options dialog's fields of our own); LoadSettings reads them, a value out of range giving its
// default.
void SaveOwnSettings(const Settings &s);
void SaveOwnSettings(const Settings &s, QSettings &store);
// Notebooks with a password of the old kind (kept as a hash, the file unencrypted) whose user
// declined to have them encrypted, by identity: they are not asked again.
bool EncryptionDeclined(const QString &identity);
void DeclineEncryption(const QString &identity);

// The view keys: "Toolbar", "ListView", "NoteInfo", "StatusBar", "NotesBar".
bool IsViewKey(const QString &key);
// Writes one view key as decimal text at once. Returns false, writing nothing, for any other key.
bool SaveViewKey(const QString &key, int value);
bool SaveViewKey(const QString &key, int value, QSettings &store);

} // namespace Tools
