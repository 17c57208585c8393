#include "settings/SettingsStore.h"

#include "settings/NumberText.h"
#include "util/Paths.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace Tools {

namespace {

const QString kGroup = QStringLiteral("Config");

// A hand-edited INI line with commas and no quotes comes back as a list; a font string or a path
// must still read as the text the user wrote.
QString readText(QSettings &store, const QString &key, const QString &fallback)
{
    if (!store.contains(key))
        return fallback;
    const QVariant v = store.value(key);
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

qint16 readNumber(QSettings &store, const QString &key, qint16 fallback)
{
    const QString text = readText(store, key, QString::number(fallback));
    return LeadingInt16(text).value_or(fallback);
}

qint16 readInRange(QSettings &store, const QString &key, qint16 fallback, qint16 low, qint16 high)
{
    const qint16 v = readNumber(store, key, fallback);
    return v >= low && v <= high ? v : fallback;
}

} // namespace

std::unique_ptr<QSettings> OpenSettingsStore()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Quillbook"), QStringLiteral("Quillbook"));
}

QString DefaultDatabasePath()
{
    // The generic location, so the folder is Quillbook/ whatever names the application object has.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return AddBackslash(QDir::toNativeSeparators(QDir(base).filePath(QStringLiteral("Quillbook"))))
           + QStringLiteral("notes.qbf");
}

void LoadSettings(Settings &s, QSettings &store)
{
    const Settings defaults;
    store.beginGroup(kGroup);
    s.gDatabase = readText(store, QStringLiteral("Database"), QString());
    if (s.gDatabase.isEmpty())
        s.gDatabase = DefaultDatabasePath();
    s.gQuickExit = readNumber(store, QStringLiteral("QuickExit"), defaults.gQuickExit);
    s.gMaxsized = readNumber(store, QStringLiteral("Maxsized"), defaults.gMaxsized);
    s.gMinToTray = readNumber(store, QStringLiteral("MinToTray"), defaults.gMinToTray);
    s.gToolbar = readNumber(store, QStringLiteral("Toolbar"), defaults.gToolbar);
    s.gListView = readNumber(store, QStringLiteral("ListView"), defaults.gListView);
    s.gNoteInfo = readNumber(store, QStringLiteral("NoteInfo"), defaults.gNoteInfo);
    s.gStatusBar = readNumber(store, QStringLiteral("StatusBar"), defaults.gStatusBar);
    s.gNotesBar = readNumber(store, QStringLiteral("NotesBar"), defaults.gNotesBar);
    s.gGroupFont = readText(store, QStringLiteral("GroupFont"), defaults.gGroupFont);
    s.gRecordFont = readText(store, QStringLiteral("RecordFont"), defaults.gRecordFont);
    // The skin number must be numeric as a whole; anything else means the default skin.
    s.gSkin = WholeInt16(readText(store, QStringLiteral("Skin"), QString::number(defaults.gSkin)))
                  .value_or(defaults.gSkin);
    s.gKeepDays = readInRange(store, QStringLiteral("KeepDays"), defaults.gKeepDays, 1, 3650);
    s.gKeepVersions = readInRange(store, QStringLiteral("KeepVersions"), defaults.gKeepVersions, 1, 10000);
    s.gKeepPercent = readInRange(store, QStringLiteral("KeepPercent"), defaults.gKeepPercent, 1, 100);
    s.gBackupFolder = readText(store, QStringLiteral("BackupFolder"), QString());
    s.gSearchVariants = readInRange(store, QStringLiteral("SearchVariants"), defaults.gSearchVariants, 0, 1);
    store.endGroup();
}

void LoadSettings(Settings &s)
{
    const auto store = OpenSettingsStore();
    LoadSettings(s, *store);
}

void SaveSettings(const Settings &s, QSettings &store)
{
    store.beginGroup(kGroup);
    store.setValue(QStringLiteral("Database"), s.gDatabase);
    store.setValue(QStringLiteral("QuickExit"), QString::number(s.gQuickExit));
    store.setValue(QStringLiteral("MinToTray"), QString::number(s.gMinToTray));
    store.setValue(QStringLiteral("Maxsized"), QString::number(s.gMaxsized));
    store.setValue(QStringLiteral("GroupFont"), s.gGroupFont);
    store.setValue(QStringLiteral("RecordFont"), s.gRecordFont);
    store.setValue(QStringLiteral("Skin"), QString::number(s.gSkin));
    store.endGroup();
    store.sync();
}

void SaveSettings(const Settings &s)
{
    const auto store = OpenSettingsStore();
    SaveSettings(s, *store);
}

void SaveDatabaseKey(const QString &path, QSettings &store)
{
    store.beginGroup(kGroup);
    store.setValue(QStringLiteral("Database"), path);
    store.endGroup();
    store.sync();
}

namespace {
const QString kPlainKept = QStringLiteral("PlainKept"); // identities of notebooks left unencrypted
} // namespace

bool EncryptionDeclined(const QString &identity)
{
    const auto store = OpenSettingsStore();
    return store->value(kGroup + QLatin1Char('/') + kPlainKept).toStringList().contains(identity);
}

void DeclineEncryption(const QString &identity)
{
    const auto store = OpenSettingsStore();
    const QString key = kGroup + QLatin1Char('/') + kPlainKept;
    QStringList kept = store->value(key).toStringList();
    if (!kept.contains(identity))
        store->setValue(key, kept << identity);
    store->sync();
}

void SaveOwnSettings(const Settings &s, QSettings &store)
{
    store.beginGroup(kGroup);
    store.setValue(QStringLiteral("KeepDays"), QString::number(s.gKeepDays));
    store.setValue(QStringLiteral("KeepVersions"), QString::number(s.gKeepVersions));
    store.setValue(QStringLiteral("KeepPercent"), QString::number(s.gKeepPercent));
    store.setValue(QStringLiteral("BackupFolder"), s.gBackupFolder);
    store.setValue(QStringLiteral("SearchVariants"), QString::number(s.gSearchVariants));
    store.endGroup();
    store.sync();
}

void SaveDatabaseKey(const QString &path)
{
    const auto store = OpenSettingsStore();
    SaveDatabaseKey(path, *store);
}

void SaveOwnSettings(const Settings &s)
{
    const auto store = OpenSettingsStore();
    SaveOwnSettings(s, *store);
}

bool IsViewKey(const QString &key)
{
    static const QStringList keys = {QStringLiteral("Toolbar"), QStringLiteral("ListView"),
                                     QStringLiteral("NoteInfo"), QStringLiteral("StatusBar"),
                                     QStringLiteral("NotesBar")};
    return keys.contains(key);
}

bool SaveViewKey(const QString &key, int value, QSettings &store)
{
    if (!IsViewKey(key))
        return false;
    store.beginGroup(kGroup);
    store.setValue(key, QString::number(value));
    store.endGroup();
    store.sync();
    return true;
}

bool SaveViewKey(const QString &key, int value)
{
    const auto store = OpenSettingsStore();
    return SaveViewKey(key, value, *store);
}

} // namespace Tools
