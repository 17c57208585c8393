// Damage that opening does not read, found after the window opened the notebook: said at once
// with the offer of an automatic copy, and nothing more written to the file.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include "store/CryptoTestUtil.h"

#include <QtTest>

using namespace CommandTesting;

class tst_Integrity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void damageSaidAndWritesRefused_data();
    void damageSaidAndWritesRefused();
};

void tst_Integrity::damageSaidAndWritesRefused_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("answer");
    QTest::newRow("robustness: a plain notebook, the copy declined") << "" << int(Prompter::No);
    QTest::newRow("robustness: an encrypted notebook, the copy declined") << "pw" << int(Prompter::No);
    QTest::newRow("nominal: the copy accepted opens the automatic copies") << "" << int(Prompter::Yes);
}

void tst_Integrity::damageSaidAndWritesRefused()
{
    QFETCH(QString, password);
    QFETCH(int, answer);
    MainWindowHarness h;
    const QString book = h.path(QStringLiteral("d.qbf"));
    MainWindowHarness::mustMakeNotebook(
        book, {{QStringLiteral("工作"), {{QStringLiteral("长记事"), QString(20000, u'长')}, {QStringLiteral("短"), {}}}}},
        password);
    DBase keeper; // the encrypted notebook's key, for damaging it
    if (!password.isEmpty())
        QCOMPARE(keeper.Unlock(book, password), 1);
    QVERIFY(CryptoTest::damageBodyPage(book));
    const QByteArray before = fileBytes(book);

    if (!password.isEmpty())
        h.prompter.dialogScripts.enqueue(typePassword(password));
    h.prompter.msgAnswers.enqueue(Prompter::Ok); // to the damaged note shown first
    h.prompter.msgAnswers.enqueue(answer);
    frmmain &w = h.start({book});
    QCOMPARE(probe(w).noteList()->count(), 2);
    QTRY_VERIFY(h.prompter.messages.size() >= 2);
    // The damaged note, shown first, is said to be damaged in words, not the engine's
    // "disk I/O error"; then the check after opening finds the damage.
    QCOMPARE(h.prompter.messages.first().text, QStringLiteral("无法读取这条记事。\r\n") + DBase::DamagedFile);
    QCOMPARE(h.prompter.messages.at(1).text,
             QStringLiteral("数据库文件已损坏，不再写入；记事仍可查看和导出。\r\n要从自动备份恢复吗？"));
    QCOMPARE(h.prompter.messages.at(1).style, int(Prompter::Question));
    if (answer == Prompter::Yes) {
        // The restore command ran: with no copies yet it says where they would be.
        QCOMPARE(h.prompter.messages.size(), 3);
        QVERIFY(h.prompter.messages.last().text.startsWith(QStringLiteral("还没有这个数据库的自动备份")));
        return;
    }
    QCOMPARE(h.prompter.messages.size(), 2);
    // The window's own message when a write fails; the file is as it was.
    h.prompter.dialogScripts.enqueue(enterGroupName(QStringLiteral("新组")));
    w.run(Cmd::AddGroup);
    QCOMPARE(h.prompter.messages.size(), 3);
    QVERIFY2(h.prompter.messages.last().text.contains(QStringLiteral("新组")), qPrintable(h.prompter.messages.last().text));
    QCOMPARE(fileBytes(book), before);
}

QTEST_MAIN(tst_Integrity)
#include "tst_integrity.moc"
