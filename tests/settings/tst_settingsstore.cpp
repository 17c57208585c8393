#include "dialogs/KeepSettings.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Reads and writes of the twelve preferences, always against a store in a temporary folder.
class TstSettingsStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;

    QString iniPath() const { return dir_->filePath(QStringLiteral("Quillbook/Quillbook.ini")); }

    void writeRaw(const QByteArray &ini)
    {
        QDir().mkpath(QFileInfo(iniPath()).absolutePath());
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ini);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_->path());
    }

    // The options dialog's keep numbers and backup folder: defaults, written values, refused ones.
    void keepKeys_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("versions");
        QTest::addColumn<int>("percent");
        QTest::addColumn<bool>("defaultFolder");
        QTest::newRow("nominal: nothing written gives the defaults") << QByteArray() << 60 << 100 << 25 << true;
        QTest::newRow("nominal: written values") << QByteArray("KeepDays=30\nKeepVersions=500\nKeepPercent=50\nBackupFolder=/tmp/qb\n")
                                                 << 30 << 500 << 50 << false;
        QTest::newRow("robustness: out of range or not numbers give the defaults")
            << QByteArray("KeepDays=0\nKeepVersions=-3\nKeepPercent=101\nBackupFolder=\"  \"\n") << 60 << 100 << 25 << true;
    }

    void keepKeys()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, days);
        QFETCH(int, versions);
        QFETCH(int, percent);
        QFETCH(bool, defaultFolder);
        writeRaw("[Config]\n" + ini);
        Settings s;
        Tools::LoadSettings(s);
        const KeepLimits limits = Tools::KeepLimitsOf(s);
        QCOMPARE(limits.days, days);
        QCOMPARE(limits.versionsPerNote, versions);
        QCOMPARE(limits.historyPercent, percent);
        QCOMPARE(Tools::BackupFolderOf(s).endsWith(QLatin1String("Quillbook/backups")), defaultFolder);
        // What is saved reads back the same.
        s.gKeepDays = 7;
        s.gBackupFolder = QStringLiteral("/srv/副本");
        s.gSearchVariants = 1;
        Tools::SaveOwnSettings(s);
        Settings back;
        Tools::LoadSettings(back);
        QCOMPARE(back.gKeepDays, qint16(7));
        QCOMPARE(back.gKeepVersions, qint16(versions));
        QCOMPARE(Tools::BackupFolderOf(back), QStringLiteral("/srv/副本"));
        QCOMPARE(back.gSearchVariants, qint16(1));
    }

    void storeIsRedirected()
    {
        const auto store = Tools::OpenSettingsStore();
        QCOMPARE(store->format(), QSettings::IniFormat);
        QCOMPARE(store->fileName(), iniPath());
    }

    void defaultsOnEmptyStore()
    {
        Settings s;
        s.gQuickExit = 9; s.gMinToTray = 9; s.gListView = 9; s.gSkin = 9;
        s.gGroupFont = s.gRecordFont = QStringLiteral("x");
        Tools::LoadSettings(s);
        QCOMPARE(s.gDatabase, Tools::DefaultDatabasePath());
        QCOMPARE(s.gQuickExit, qint16(0));
        QCOMPARE(s.gMaxsized, qint16(0));
        QCOMPARE(s.gMinToTray, qint16(1));
        QCOMPARE(s.gToolbar, qint16(0));
        QCOMPARE(s.gListView, qint16(3));
        QCOMPARE(s.gNoteInfo, qint16(0));
        QCOMPARE(s.gStatusBar, qint16(0));
        QCOMPARE(s.gNotesBar, qint16(0));
        QCOMPARE(s.gGroupFont, QStringLiteral("Arial,8,0,0,0,0,0"));
        QCOMPARE(s.gRecordFont, QStringLiteral("Arial,8,0,0,0,0"));
        QCOMPARE(s.gSkin, qint16(0));
    }

    void defaultDatabaseFolder()
    {
        // The data folder must be exactly Quillbook/, whatever the application object is called.
        QStandardPaths::setTestModeEnabled(false);
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir_->filePath(QStringLiteral("data"))));
        QCoreApplication::setOrganizationName(QStringLiteral("Quillbook"));
        QCoreApplication::setApplicationName(QStringLiteral("Quillbook"));
        const QString path = Tools::DefaultDatabasePath();
        QCoreApplication::setOrganizationName(QString());
        QCoreApplication::setApplicationName(QStringLiteral("tst_settings_store"));
        qputenv("XDG_DATA_HOME", oldData);
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(path, dir_->filePath(QStringLiteral("data/Quillbook/notes.qbf")));
    }

    void numericKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("nominal: plain 1") << "QuickExit" << "1" << 1;
        QTest::newRow("nominal: list view 0") << "ListView" << "0" << 0;
        QTest::newRow("nominal: leading number 1abc") << "Maxsized" << "1abc" << 1;
        QTest::newRow("nominal: no number abc") << "MinToTray" << "abc" << 0;
        QTest::newRow("nominal: half to even 2.5") << "Toolbar" << "2.5" << 2;
        QTest::newRow("nominal: half to even 3.5") << "NoteInfo" << "3.5" << 4;
        QTest::newRow("nominal: half to even -2.5") << "StatusBar" << "-2.5" << -2;
        QTest::newRow("nominal: below half 2.49") << "NotesBar" << "2.49" << 2;
        QTest::newRow("nominal: leading blanks") << "QuickExit" << "  7 " << 7;
        QTest::newRow("nominal: letters end the number") << "ListView" << "3e2" << 3;
        QTest::newRow("nominal: empty text") << "MinToTray" << "" << 0;
        QTest::newRow("nominal: 16-bit top") << "Toolbar" << "32767" << 32767;
        QTest::newRow("nominal: 16-bit bottom") << "Toolbar" << "-32768" << -32768;
        QTest::newRow("robustness: above 16 bits gives default") << "MinToTray" << "32768" << 1;
        QTest::newRow("robustness: rounds above 16 bits") << "MinToTray" << "32767.5" << 1;
        QTest::newRow("robustness: below 16 bits gives default") << "ListView" << "-40000" << 3;
        QTest::newRow("robustness: beyond any integer gives default")
            << "ListView" << "99999999999999999999999999" << 3;
        QTest::newRow("nominal: skin 1") << "Skin" << "1" << 1;
        QTest::newRow("nominal: skin rounds half to even") << "Skin" << "2.5" << 2;
        QTest::newRow("nominal: skin with blanks") << "Skin" << " 5 " << 5;
        QTest::newRow("robustness: skin not numeric") << "Skin" << "1abc" << 0;
        QTest::newRow("robustness: skin words") << "Skin" << "blue" << 0;
        QTest::newRow("robustness: skin empty") << "Skin" << "" << 0;
        QTest::newRow("robustness: skin out of range") << "Skin" << "70000" << 0;
        QTest::newRow("robustness: skin infinite") << "Skin" << "inf" << 0;
        QTest::newRow("robustness: skin grouped digits") << "Skin" << "1,000" << 0;
    }

    void numericKeys()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, expected);
        {
            const auto store = Tools::OpenSettingsStore();
            store->setValue(QStringLiteral("Config/") + key, text);
        }
        Settings s;
        Tools::LoadSettings(s);
        const QHash<QString, qint16> got = {
            {QStringLiteral("QuickExit"), s.gQuickExit}, {QStringLiteral("Maxsized"), s.gMaxsized},
            {QStringLiteral("MinToTray"), s.gMinToTray}, {QStringLiteral("Toolbar"), s.gToolbar},
            {QStringLiteral("ListView"), s.gListView},   {QStringLiteral("NoteInfo"), s.gNoteInfo},
            {QStringLiteral("StatusBar"), s.gStatusBar}, {QStringLiteral("NotesBar"), s.gNotesBar},
            {QStringLiteral("Skin"), s.gSkin}};
        QCOMPARE(int(got.value(key)), expected);
    }

    void textKeysAsWritten_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("groupFont");
        QTest::newRow("nominal: quoted values")
            << QByteArray("[Config]\nDatabase=/tmp/a b/n.qbf\nGroupFont=\"Tahoma,10.5,1,0,0,0,255\"\n")
            << "/tmp/a b/n.qbf" << "Tahoma,10.5,1,0,0,0,255";
        QTest::newRow("robustness: hand-written commas without quotes")
            << QByteArray("[Config]\nDatabase=/tmp/x,y/n.qbf\nGroupFont=Tahoma,9,0,0,0,0,0\n")
            << "/tmp/x,y/n.qbf" << "Tahoma,9,0,0,0,0,0";
        QTest::newRow("robustness: unchecked font text kept")
            << QByteArray("[Config]\nGroupFont=garbage\n") << QString() << "garbage";
        QTest::newRow("robustness: empty database means default")
            << QByteArray("[Config]\nDatabase=\n") << QString() << "Arial,8,0,0,0,0,0";
    }

    void textKeysAsWritten()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, database);
        QFETCH(QString, groupFont);
        writeRaw(ini);
        Settings s;
        Tools::LoadSettings(s);
        QCOMPARE(s.gDatabase, database.isEmpty() ? Tools::DefaultDatabasePath() : database);
        QCOMPARE(s.gGroupFont, groupFont);
    }

    void saveWritesSevenKeysAsText()
    {
        Settings s;
        s.gDatabase = QStringLiteral("/home/u/笔记,1.qbf");
        s.gQuickExit = 1;
        s.gMaxsized = 1;
        s.gMinToTray = 0;
        s.gGroupFont = QStringLiteral("宋体,10.5,0,1,0,0,16711680");
        s.gRecordFont = QStringLiteral("Arial,9,1,0,0,0");
        s.gSkin = 1;
        s.gToolbar = 1; s.gListView = 0; s.gNoteInfo = 1; s.gStatusBar = 1; s.gNotesBar = 1;
        Tools::SaveSettings(s);

        QSettings raw(iniPath(), QSettings::IniFormat);
        raw.beginGroup(QStringLiteral("Config"));
        QCOMPARE(raw.childKeys().size(), 7);
        for (const QString &k : raw.childKeys())
            QCOMPARE(raw.value(k).metaType().id(), QMetaType::QString);
        QCOMPARE(raw.value(QStringLiteral("QuickExit")).toString(), QStringLiteral("1"));
        QCOMPARE(raw.value(QStringLiteral("MinToTray")).toString(), QStringLiteral("0"));
        QCOMPARE(raw.value(QStringLiteral("Skin")).toString(), QStringLiteral("1"));
        raw.endGroup();

        Settings back;
        Tools::LoadSettings(back);
        QCOMPARE(back.gDatabase, s.gDatabase);
        QCOMPARE(back.gQuickExit, s.gQuickExit);
        QCOMPARE(back.gMaxsized, s.gMaxsized);
        QCOMPARE(back.gMinToTray, s.gMinToTray);
        QCOMPARE(back.gGroupFont, s.gGroupFont);
        QCOMPARE(back.gRecordFont, s.gRecordFont);
        QCOMPARE(back.gSkin, s.gSkin);
        // The view values were not saved, so they read back as their defaults.
        QCOMPARE(back.gToolbar, qint16(0));
        QCOMPARE(back.gListView, qint16(3));
    }

    void saveLeavesViewKeysAlone()
    {
        const QStringList viewKeys = {QStringLiteral("Toolbar"), QStringLiteral("ListView"),
                                      QStringLiteral("NoteInfo"), QStringLiteral("StatusBar"),
                                      QStringLiteral("NotesBar")};
        for (const QString &k : viewKeys)
            QVERIFY(Tools::SaveViewKey(k, 1));
        const Settings s; // its view values (0 and 3) all differ from the stored 1s
        Tools::SaveSettings(s);
        QSettings raw(iniPath(), QSettings::IniFormat);
        for (const QString &k : viewKeys)
            QCOMPARE(raw.value(QStringLiteral("Config/") + k).toString(), QStringLiteral("1"));
    }

    void viewKeyWriter_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("written");
        QTest::newRow("nominal: ListView report") << "ListView" << 3 << true;
        QTest::newRow("nominal: NotesBar hidden") << "NotesBar" << 1 << true;
        QTest::newRow("robustness: not a view key") << "Skin" << 1 << false;
        QTest::newRow("robustness: wrong case") << "toolbar" << 1 << false;
    }

    void viewKeyWriter()
    {
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(bool, written);
        QCOMPARE(Tools::SaveViewKey(key, value), written);
        QSettings raw(iniPath(), QSettings::IniFormat);
        const QVariant v = raw.value(QStringLiteral("Config/") + key);
        QCOMPARE(v.isValid(), written);
        if (written) {
            QCOMPARE(v.toString(), QString::number(value));
            Settings s;
            Tools::LoadSettings(s);
            QCOMPARE(key == QStringLiteral("ListView") ? s.gListView : s.gNotesBar, qint16(value));
        }
    }
};

QTEST_GUILESS_MAIN(TstSettingsStore)
#include "tst_settingsstore.moc"
