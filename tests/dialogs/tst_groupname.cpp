#include "DialogTesting.h"
#include "base/AppState.h"
#include "common/ScriptedPrompter.h"
#include "dialogs/frmrename.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace DialogTesting;

class tst_GroupName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opening_data();
    void opening();
    void confirming_data();
    void confirming();
    void refusedEntryTurnsWhiteOnClick();
    void cancelling_data();
    void cancelling();
};

void tst_GroupName::opening_data()
{
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");

    QTest::newRow("nominal: new group opens empty") << true << QString() << "新建组" << "";
    QTest::newRow("nominal: new group ignores the selected name")
        << true << "工作" << "新建组" << "";
    QTest::newRow("nominal: rename shows the current name") << false << "工作" << "重命名组" << "工作";
    QTest::newRow("robustness: rename keeps blanks of the stored name")
        << false << " a b " << "重命名组" << " a b ";
}

void tst_GroupName::opening()
{
    QFETCH(bool, isNew);
    QFETCH(QString, current);
    QFETCH(QString, caption);
    QFETCH(QString, shown);

    AppState state;
    ScriptedPrompter prompter;
    frmrename dlg(state, prompter, isNew, current, nullptr);

    QCOMPARE(dlg.windowTitle(), caption);
    QVERIFY(dlg.isModal());
    auto *txtname = child<QLineEdit>(dlg, "txtname");
    QVERIFY(txtname);
    QCOMPARE(txtname->text(), shown);
    QCOMPARE(child<QLabel>(dlg, "Label1")->text(), QStringLiteral("新名称"));
    QCOMPARE(child<QPushButton>(dlg, "cmdOK")->text(), QStringLiteral("确定"));
    QCOMPARE(child<QPushButton>(dlg, "cmdCancel")->text(),
             QStringLiteral("取消"));
}

void tst_GroupName::confirming_data()
{
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("pressEnter");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("name"); // the name handed back; "" when refused

    const QString fifty(50, QLatin1Char('x'));
    QTest::newRow("nominal: plain name") << true << "Work" << false << true << "Work";
    QTest::newRow("nominal: Chinese name") << true << "读书笔记" << false << true << "读书笔记";
    QTest::newRow("nominal: blanks at both ends removed, inner kept")
        << false << "  my  notes  " << false << true << "my  notes";
    QTest::newRow("nominal: Enter behaves as OK") << true << " Work " << true << true << "Work";
    QTest::newRow("nominal: fifty characters kept whole") << true << fifty << false << true << fifty;
    QTest::newRow("robustness: fifty-one characters stop at fifty")
        << true << fifty + QLatin1Char('y') << false << true << fifty;
    QTest::newRow("robustness: empty name refused") << true << "" << false << false << "";
    QTest::newRow("robustness: blanks only refused") << false << "    " << false << false << "";
    QTest::newRow("robustness: Enter on empty name refused too")
        << true << "" << true << false << "";
}

void tst_GroupName::confirming()
{
    QFETCH(bool, isNew);
    QFETCH(QString, typed);
    QFETCH(bool, pressEnter);
    QFETCH(bool, accepted);
    QFETCH(QString, name);

    AppState state;
    ScriptedPrompter prompter;
    frmrename dlg(state, prompter, isNew, QStringLiteral("old"), nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    auto *txtname = child<QLineEdit>(dlg, "txtname");
    typeInto(txtname, typed);
    if (pressEnter)
        QTest::keyClick(txtname, Qt::Key_Return);
    else
        click(dlg, "cmdOK");

    QCOMPARE(dlg.name(), name);
    if (accepted) {
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        QCOMPARE(prompter.beeps, 0);
    } else {
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(dlg.isVisible());
        QCOMPARE(prompter.beeps, 1);
        QCOMPARE(background(txtname), highlight());
        QVERIFY(txtname->hasFocus());
        // Enter must not leave anything in the box, and no message is shown for a refusal.
        QCOMPARE(txtname->text(), typed);
        QVERIFY(prompter.messages.isEmpty());
    }
}

void tst_GroupName::refusedEntryTurnsWhiteOnClick()
{
    AppState state;
    ScriptedPrompter prompter;
    frmrename dlg(state, prompter, true, QString(), nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto *txtname = child<QLineEdit>(dlg, "txtname");
    QCOMPARE(background(txtname), white());

    QTest::keyClick(txtname, Qt::Key_Enter);
    QCOMPARE(background(txtname), highlight());
    QTest::mouseClick(txtname, Qt::LeftButton);
    QCOMPARE(background(txtname), white());

    // Once refused, a proper name still goes through.
    typeInto(txtname, QStringLiteral("Work"));
    QTest::keyClick(txtname, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.name(), QStringLiteral("Work"));
}

void tst_GroupName::cancelling_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("nominal: Cancel button") << "cancel";
    QTest::newRow("nominal: Esc") << "esc";
    QTest::newRow("robustness: close box counts as cancelled") << "close";
}

void tst_GroupName::cancelling()
{
    QFETCH(QString, how);

    AppState state;
    ScriptedPrompter prompter;
    frmrename dlg(state, prompter, false, QStringLiteral("工作"), nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto *txtname = child<QLineEdit>(dlg, "txtname");
    typeInto(txtname, QStringLiteral("生活"));

    if (how == QLatin1String("cancel"))
        click(dlg, "cmdCancel");
    else if (how == QLatin1String("esc"))
        QTest::keyClick(txtname, Qt::Key_Escape);
    else
        dlg.close();

    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.name(), QString());
}

QTEST_MAIN(tst_GroupName)
#include "tst_groupname.moc"
