#include "DialogTesting.h"
#include "base/AppState.h"
#include "dialogs/frmmove.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace DialogTesting;

using Nodes = QList<QPair<QString, QString>>;

class tst_Move : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void offeredGroups_data();
    void offeredGroups();
    void choosingAnotherGroup();
    void cancelling_data();
    void cancelling();
};

namespace {

const Nodes kTree = {
    {QStringLiteral("M_TOP"), QStringLiteral("我的笔记")},
    {QStringLiteral("k1"), QStringLiteral("Work")},
    {QStringLiteral("k7"), QStringLiteral("生活")},
    {QStringLiteral("k12"), QStringLiteral("Books")},
};

QStringList entries(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out.append(box->itemText(i));
    return out;
}

} // namespace

void tst_Move::offeredGroups_data()
{
    QTest::addColumn<Nodes>("nodes");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<qint64>("target"); // targetGroupId() before anything is touched; 0 = none

    QTest::newRow("nominal: own group left out")
        << kTree << "生活" << QStringList{"Work", "Books"} << qint64(1);
    QTest::newRow("nominal: first group is own, second preselected")
        << kTree << "Work" << QStringList{"生活", "Books"} << qint64(7);
    QTest::newRow("robustness: own group in other letter case left out")
        << kTree << "WORK" << QStringList{"生活", "Books"} << qint64(7);
    QTest::newRow("robustness: empty current name leaves nothing out")
        << kTree << "" << QStringList{"Work", "生活", "Books"} << qint64(1);
    QTest::newRow("robustness: root named like the current group is still never offered")
        << kTree << "我的笔记" << QStringList{"Work", "生活", "Books"} << qint64(1);
    QTest::newRow("robustness: only the own group gives an empty list")
        << Nodes{kTree[0], kTree[1]} << "Work" << QStringList{} << qint64(0);
    QTest::newRow("robustness: IDs beyond 16 and 32 bits survive")
        << Nodes{kTree[0], {"k40000", "A"}, {"k5000000000", "B"}} << "A" << QStringList{"B"}
        << qint64(5000000000);
}

void tst_Move::offeredGroups()
{
    QFETCH(Nodes, nodes);
    QFETCH(QString, current);
    QFETCH(QStringList, offered);
    QFETCH(qint64, target);

    AppState state;
    frmmove dlg(state, nodes, current, nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    QCOMPARE(dlg.windowTitle(), QStringLiteral("移动文档"));
    QCOMPARE(child<QLabel>(dlg, "lblMove")->text(), QStringLiteral("移动到"));
    auto *cboMove = child<QComboBox>(dlg, "cboMove");
    QVERIFY(cboMove);
    QCOMPARE(entries(cboMove), offered);
    QCOMPARE(dlg.targetGroupId(), target);

    auto *cmdOK = child<QPushButton>(dlg, "cmdOK");
    QCOMPARE(cmdOK->isEnabled(), !offered.isEmpty());
    QTest::mouseClick(cmdOK, Qt::LeftButton);
    if (offered.isEmpty()) {
        // Nothing to move to: OK cannot close the dialog.
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    } else {
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.targetGroupId(), target);
    }
}

void tst_Move::choosingAnotherGroup()
{
    AppState state;
    frmmove dlg(state, kTree, QStringLiteral("Work"), nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto *cboMove = child<QComboBox>(dlg, "cboMove");

    cboMove->setFocus();
    QTest::keyClick(cboMove, Qt::Key_Down);
    QCOMPARE(cboMove->currentText(), QStringLiteral("Books"));
    QCOMPARE(dlg.targetGroupId(), qint64(12));
    QTest::keyClick(cboMove, Qt::Key_Up);
    QCOMPARE(dlg.targetGroupId(), qint64(7));
    QTest::keyClick(cboMove, Qt::Key_Down);

    click(dlg, "cmdOK");
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.targetGroupId(), qint64(12));
}

void tst_Move::cancelling_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("nominal: Cancel button") << "cancel";
    QTest::newRow("robustness: close box counts as cancelled") << "close";
    QTest::newRow("nominal: Esc cancels") << "esc";
}

void tst_Move::cancelling()
{
    QFETCH(QString, how);
    AppState state;
    frmmove dlg(state, kTree, QStringLiteral("Work"), nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    if (how == QLatin1String("cancel"))
        click(dlg, "cmdCancel");
    else if (how == QLatin1String("esc"))
        QTest::keyClick(child<QComboBox>(dlg, "cboMove"), Qt::Key_Escape);
    else
        dlg.close();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_Move)
#include "tst_move.moc"
