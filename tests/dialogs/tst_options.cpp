#include "DialogTesting.h"
#include "base/AppState.h"
#include "common/ScriptedPrompter.h"
#include "dialogs/frmOptions.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace DialogTesting;

// One dialog over its own state, settings and prompter, recording every skin it is asked to show.
struct OptionsFixture
{
    AppState state;
    Settings settings;
    ScriptedPrompter prompter;
    QList<int> skins;
    std::unique_ptr<frmOptions> dlg;

    void open()
    {
        dlg = std::make_unique<frmOptions>(state, settings, prompter,
                                           [this](int index) { skins.append(index); }, nullptr);
        dlg->show();
    }
    template <typename T> T *child(const char *name) const { return DialogTesting::child<T>(*dlg, name); }
    void click(const char *button) const { DialogTesting::click(*dlg, button); }
};

class tst_Options : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void loading_data();
    void loading();
    void skinShownAtOnceButSavedOnlyOnOk_data();
    void skinShownAtOnceButSavedOnlyOnOk();
    void okWritesTheSettings();
    void emptyPathRefused();
    void browsing_data();
    void browsing();
    void choosingFonts_data();
    void choosingFonts();
    void fontChoiceOutlivesCancel();

private:
    static QString stored(const QString &key);
    QTemporaryDir m_home;
};

void tst_Options::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Never the user's own settings.
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_home.path());
}

void tst_Options::init()
{
    auto store = Tools::OpenSettingsStore();
    QVERIFY(store->fileName().startsWith(m_home.path()));
    store->clear();
    store->sync();
}

QString tst_Options::stored(const QString &key)
{
    auto store = Tools::OpenSettingsStore();
    const QString full = QStringLiteral("Config/") + key;
    return store->contains(full) ? store->value(full).toString() : QStringLiteral("<missing>");
}

void tst_Options::loading_data()
{
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<QList<int>>("skinsShown");
    QTest::addColumn<QString>("groupCaption");
    QTest::addColumn<QColor>("groupColour");
    QTest::addColumn<QString>("recordCaption");

    Settings defaults;
    defaults.gDatabase = QStringLiteral("/home/u/.local/share/Quillbook/notes.qbf");
    QTest::newRow("nominal: defaults") << defaults << QList<int>{0} << "Arial,8" << QColor(Qt::black)
                                       << "Arial,8";

    Settings custom;
    custom.gDatabase = QStringLiteral("/data/我的笔记.qbf");
    custom.gQuickExit = 1;
    custom.gMaxsized = 1;
    custom.gMinToTray = 0;
    custom.gSkin = 1;
    custom.gSearchVariants = 1;
    custom.gGroupFont = QStringLiteral("Courier,10.5,1,0,0,0,255");
    custom.gRecordFont = QStringLiteral("Times,12,0,1,0,0");
    QTest::newRow("nominal: everything changed, saved skin shown while loading")
        << custom << QList<int>{1} << "Courier,10.5" << QColor(255, 0, 0) << "Times,12";
}

void tst_Options::loading()
{
    QFETCH(Settings, settings);
    QFETCH(QList<int>, skinsShown);
    QFETCH(QString, groupCaption);
    QFETCH(QColor, groupColour);
    QFETCH(QString, recordCaption);

    OptionsFixture f;
    f.settings = settings;
    f.open();
    QCOMPARE(f.dlg->windowTitle(), QStringLiteral("设置"));
    QVERIFY(f.dlg->isModal());

    auto *txtDatabase = f.child<QLineEdit>("txtDatabase");
    QCOMPARE(txtDatabase->text(), settings.gDatabase);
    QCOMPARE(txtDatabase->toolTip(), settings.gDatabase);
    QCOMPARE(f.child<QCheckBox>("chkExit")->isChecked(), settings.gQuickExit == 1);
    QCOMPARE(f.child<QCheckBox>("chkMaxSize")->isChecked(), settings.gMaxsized == 1);
    QCOMPARE(f.child<QCheckBox>("chkTray")->isChecked(), settings.gMinToTray == 1);
    QCOMPARE(f.child<QCheckBox>("chkVariants")->isChecked(), settings.gSearchVariants == 1);
    auto *cboSkin = f.child<QComboBox>("cboSkin");
    QCOMPARE(cboSkin->count(), 2);
    QCOMPARE(cboSkin->itemText(0), QStringLiteral("Cool Blue"));
    QCOMPARE(cboSkin->itemText(1), QStringLiteral("Windows 2000"));
    QCOMPARE(cboSkin->currentIndex(), int(settings.gSkin));
    QCOMPARE(f.skins, skinsShown);

    auto *lblGroupFont = f.child<QLabel>("lblGroupFont");
    QCOMPARE(lblGroupFont->text(), groupCaption);
    QCOMPARE(lblGroupFont->palette().color(QPalette::WindowText), groupColour);
    QCOMPARE(f.child<QLabel>("lblRecordFont")->text(), recordCaption);

    const QList<QPair<const char *, const char *>> captions = {
        {"lblDatabase", "数据库文件路径"}, {"lblSkin", "选择界面"}, {"lblGroup", "组字体"},
        {"Label2", "标题字体"}};
    for (const auto &[name, text] : captions)
        QCOMPARE(f.child<QLabel>(name)->text(), QString::fromUtf8(text));
    const QList<QPair<const char *, const char *>> buttons = {
        {"cmdOpen", "浏览"}, {"cmdFont1", "编辑"}, {"cmdFont2", "编辑"},
        {"cmdOK", "确定"}, {"cmdCancel", "取消"}};
    for (const auto &[name, text] : buttons)
        QCOMPARE(f.child<QPushButton>(name)->text(), QString::fromUtf8(text));
    QCOMPARE(f.child<QCheckBox>("chkTray")->text(), QStringLiteral("最小化到系统托盘"));
    QCOMPARE(f.child<QCheckBox>("chkMaxSize")->text(), QStringLiteral("打开程序最大化"));
    QCOMPARE(f.child<QCheckBox>("chkExit")->text(), QStringLiteral("关闭程序使用ESC快捷键"));
    // Opening alone writes nothing.
    QCOMPARE(stored(QStringLiteral("Skin")), QStringLiteral("<missing>"));
}

void tst_Options::skinShownAtOnceButSavedOnlyOnOk_data()
{
    QTest::addColumn<QString>("closing");
    QTest::addColumn<qint16>("savedSkin");
    QTest::addColumn<QString>("storedSkin");
    QTest::newRow("nominal: OK keeps the picked skin") << "ok" << qint16(1) << "1";
    QTest::newRow("nominal: Cancel leaves the window in it, the setting unchanged")
        << "cancel" << qint16(0) << "<missing>";
    QTest::newRow("robustness: close box counts as cancelled")
        << "close" << qint16(0) << "<missing>";
    QTest::newRow("robustness: Esc counts as cancelled") << "esc" << qint16(0) << "<missing>";
}

void tst_Options::skinShownAtOnceButSavedOnlyOnOk()
{
    QFETCH(QString, closing);
    QFETCH(qint16, savedSkin);
    QFETCH(QString, storedSkin);

    OptionsFixture f;
    f.settings.gDatabase = QStringLiteral("/n/notes.qbf");
    f.open();
    auto *cboSkin = f.child<QComboBox>("cboSkin");
    cboSkin->setFocus();
    QTest::keyClick(cboSkin, Qt::Key_Down);
    QCOMPARE(f.skins, (QList<int>{0, 1}));
    QCOMPARE(f.settings.gSkin, qint16(0));

    if (closing == QLatin1String("ok"))
        f.click("cmdOK");
    else if (closing == QLatin1String("cancel"))
        f.click("cmdCancel");
    else if (closing == QLatin1String("esc"))
        QTest::keyClick(cboSkin, Qt::Key_Escape);
    else
        f.dlg->close();
    QVERIFY(!f.dlg->isVisible());
    QCOMPARE(f.dlg->result(), closing == QLatin1String("ok") ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(f.skins, (QList<int>{0, 1})); // nothing repainted back
    QCOMPARE(f.settings.gSkin, savedSkin);
    QCOMPARE(stored(QStringLiteral("Skin")), storedSkin);
}

void tst_Options::okWritesTheSettings()
{
    OptionsFixture f;
    f.settings.gDatabase = QStringLiteral("/old/notes.qbf");
    f.open();
    QVERIFY(QTest::qWaitForWindowActive(f.dlg.get()));

    typeInto(f.child<QLineEdit>("txtDatabase"), QStringLiteral("/新/笔记本.qbf"));
    for (const char *box : {"chkExit", "chkMaxSize", "chkTray", "chkVariants"}) {
        f.child<QCheckBox>(box)->setFocus();
        QTest::keyClick(f.child<QCheckBox>(box), Qt::Key_Space);
    }
    f.click("cmdOK");

    QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
    QVERIFY(!f.dlg->isVisible());
    QCOMPARE(f.settings.gDatabase, QStringLiteral("/新/笔记本.qbf"));
    QCOMPARE(f.settings.gQuickExit, qint16(1));
    QCOMPARE(f.settings.gMaxsized, qint16(1));
    QCOMPARE(f.settings.gMinToTray, qint16(0));
    QCOMPARE(f.settings.gSearchVariants, qint16(1));
    QCOMPARE(stored(QStringLiteral("Database")), QStringLiteral("/新/笔记本.qbf"));
    QCOMPARE(stored(QStringLiteral("QuickExit")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("Maxsized")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("MinToTray")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("SearchVariants")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("Skin")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("GroupFont")), QStringLiteral("Arial,8,0,0,0,0,0"));
    QCOMPARE(stored(QStringLiteral("RecordFont")), QStringLiteral("Arial,8,0,0,0,0"));
}

void tst_Options::emptyPathRefused()
{
    OptionsFixture f;
    f.settings.gDatabase = QStringLiteral("/old/notes.qbf");
    f.open();
    QVERIFY(QTest::qWaitForWindowActive(f.dlg.get()));
    auto *txtDatabase = f.child<QLineEdit>("txtDatabase");
    typeInto(txtDatabase, QString());

    f.click("cmdOK");
    QVERIFY(f.dlg->isVisible());
    QCOMPARE(f.prompter.beeps, 1);
    QVERIFY(f.prompter.messages.isEmpty());
    QCOMPARE(background(txtDatabase), highlight());
    QVERIFY(txtDatabase->hasFocus());
    QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
    QCOMPARE(f.settings.gDatabase, QStringLiteral("/old/notes.qbf"));
    QCOMPARE(stored(QStringLiteral("Database")), QStringLiteral("<missing>"));

    // Leaving the box clears the highlight.
    f.child<QCheckBox>("chkExit")->setFocus();
    QCOMPARE(background(txtDatabase), white());
}

void tst_Options::browsing_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nominal: chosen file shown, not opened")
        << "/elsewhere/missing.qbf" << "/elsewhere/missing.qbf";
    QTest::newRow("robustness: cancelled chooser keeps the path") << "" << "/old/notes.qbf";
}

void tst_Options::browsing()
{
    QFETCH(QString, answer);
    QFETCH(QString, shown);

    OptionsFixture f;
    f.settings.gDatabase = QStringLiteral("/old/notes.qbf");
    f.prompter.openAnswers.enqueue(answer);
    f.open();
    f.click("cmdOpen");

    QCOMPARE(f.prompter.fileCaptions, QStringList{QStringLiteral("Select Database")});
    QCOMPARE(f.prompter.fileFilters, QStringList{QStringLiteral("数据库文件(*.qbf)")});
    QCOMPARE(f.child<QLineEdit>("txtDatabase")->text(), shown);
    QCOMPARE(f.child<QLineEdit>("txtDatabase")->toolTip(), shown);
    QCOMPARE(f.settings.gDatabase, QStringLiteral("/old/notes.qbf")); // until OK
}

void tst_Options::choosingFonts_data()
{
    QTest::addColumn<bool>("groupFont"); // cmdFont1, else cmdFont2
    QTest::addColumn<std::optional<QFont>>("font");
    QTest::addColumn<std::optional<QColor>>("colour");
    QTest::addColumn<QString>("fontString"); // gGroupFont or gRecordFont afterwards
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("sampleColour"); // group sample only

    QFont half(QStringLiteral("DejaVu Sans"));
    half.setPointSizeF(10.5);
    half.setBold(true);
    QFont eight(QStringLiteral("DejaVu Serif"));
    eight.setPointSizeF(8);
    eight.setUnderline(true);
    eight.setStrikeOut(true);
    QFont italic(QStringLiteral("DejaVu Sans Mono"));
    italic.setPointSizeF(12);
    italic.setItalic(true);

    QTest::newRow("nominal: group font with colour, half point size written with its point")
        << true << std::optional<QFont>(half) << std::optional<QColor>(QColor(0, 128, 0))
        << "DejaVu Sans,10.5,1,0,0,0,32768" << "DejaVu Sans,10.5" << QColor(0, 128, 0);
    QTest::newRow("nominal: whole size written without a point, styles as flags")
        << true << std::optional<QFont>(eight) << std::optional<QColor>(QColor(0, 0, 255))
        << "DejaVu Serif,8,0,0,1,1,16711680" << "DejaVu Serif,8" << QColor(0, 0, 255);
    QTest::newRow("robustness: colour chooser cancelled keeps the current colour")
        << true << std::optional<QFont>(half) << std::optional<QColor>()
        << "DejaVu Sans,10.5,1,0,0,0,255" << "DejaVu Sans,10.5" << QColor(255, 0, 0);
    QTest::newRow("nominal: list font has six fields and asks no colour")
        << false << std::optional<QFont>(italic) << std::optional<QColor>(QColor(1, 2, 3))
        << "DejaVu Sans Mono,12,0,1,0,0" << "DejaVu Sans Mono,12" << QColor(255, 0, 0);
    QTest::newRow("robustness: cancelled group font changes nothing")
        << true << std::optional<QFont>() << std::optional<QColor>(QColor(1, 2, 3))
        << "Arial,9,0,0,0,0,255" << "Arial,9" << QColor(255, 0, 0);
    QTest::newRow("robustness: cancelled list font changes nothing")
        << false << std::optional<QFont>() << std::optional<QColor>(QColor(1, 2, 3))
        << "Arial,8,0,0,0,0" << "Arial,8" << QColor(255, 0, 0);
}

void tst_Options::choosingFonts()
{
    QFETCH(bool, groupFont);
    QFETCH(std::optional<QFont>, font);
    QFETCH(std::optional<QColor>, colour);
    QFETCH(QString, fontString);
    QFETCH(QString, caption);
    QFETCH(QColor, sampleColour);

    OptionsFixture f;
    f.settings.gDatabase = QStringLiteral("/n/notes.qbf");
    f.settings.gGroupFont = QStringLiteral("Arial,9,0,0,0,0,255");
    f.prompter.fontAnswers.enqueue(font);
    f.prompter.colorAnswers.enqueue(colour);
    f.open();
    f.click(groupFont ? "cmdFont1" : "cmdFont2");

    QCOMPARE(groupFont ? f.settings.gGroupFont : f.settings.gRecordFont, fontString);
    auto *sample = f.child<QLabel>(groupFont ? "lblGroupFont" : "lblRecordFont");
    QCOMPARE(sample->text(), caption);
    QCOMPARE(f.child<QLabel>("lblGroupFont")->palette().color(QPalette::WindowText), sampleColour);
    if (font) {
        QCOMPARE(sample->font().family(), font->family());
        QCOMPARE(sample->font().pointSizeF(), font->pointSizeF());
        QCOMPARE(sample->font().bold(), font->bold());
        QCOMPARE(sample->font().italic(), font->italic());
        QCOMPARE(sample->font().underline(), font->underline());
        QCOMPARE(sample->font().strikeOut(), font->strikeOut());
    }
    // The colour is asked for only after a group font was chosen.
    QCOMPARE(f.prompter.colorAnswers.size(), (groupFont && font) ? 0 : 1);
    // The store gets the font with the next OK only.
    QCOMPARE(stored(QStringLiteral("GroupFont")), QStringLiteral("<missing>"));
    QCOMPARE(stored(QStringLiteral("RecordFont")), QStringLiteral("<missing>"));
}

void tst_Options::fontChoiceOutlivesCancel()
{
    OptionsFixture f;
    f.settings.gDatabase = QStringLiteral("/n/notes.qbf");
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSizeF(14);
    f.prompter.fontAnswers.enqueue(chosen);
    f.prompter.colorAnswers.enqueue(QColor(0, 0, 0));
    f.open();
    f.click("cmdFont1");
    f.click("cmdCancel");
    QCOMPARE(f.dlg->result(), int(QDialog::Rejected));
    QCOMPARE(f.settings.gGroupFont, QStringLiteral("DejaVu Serif,14,0,0,0,0,0"));
    QCOMPARE(stored(QStringLiteral("GroupFont")), QStringLiteral("<missing>"));

    // Reopened, the dialog shows the font chosen before the Cancel; the next OK stores it.
    f.open();
    QCOMPARE(f.child<QLabel>("lblGroupFont")->text(), QStringLiteral("DejaVu Serif,14"));
    f.click("cmdOK");
    QCOMPARE(stored(QStringLiteral("GroupFont")), QStringLiteral("DejaVu Serif,14,0,0,0,0,0"));
}

QTEST_MAIN(tst_Options)
#include "tst_options.moc"
