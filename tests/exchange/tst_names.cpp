#include "exchange/SafeFileName.h"

#include <QTest>

class TestNames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void safeName_data();
    void safeName();
    void longNamesCutBetweenCharacters_data();
    void longNamesCutBetweenCharacters();
    void repeatedNamesAreNumbered();
};

void TestNames::safeName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");
    for (const char *c : {"/", "\\", ":", "*", "?", "\"", "<", ">", "|", "\t", "\n", "\x01", "\x1f", "\x7f"})
        QTest::newRow(qPrintable(QStringLiteral("forbidden %1").arg(QByteArray(c).toHex()))) << QStringLiteral("笔记%1一").arg(QLatin1String(c)) << QStringLiteral("笔记_一");
    QTest::newRow("C1 control") << QStringLiteral("a\u0085b") << QStringLiteral("a_b");
    QTest::newRow("path upwards") << QStringLiteral("../../x") << QStringLiteral("_.._x");
    QTest::newRow("absolute path") << QStringLiteral("/etc/passwd") << QStringLiteral("_etc_passwd");
    QTest::newRow("leading dots") << QStringLiteral("..隐藏") << QStringLiteral("隐藏");
    QTest::newRow("only dots") << QStringLiteral("..") << QStringLiteral("未命名");
    QTest::newRow("empty") << QString() << QStringLiteral("未命名");
    QTest::newRow("blanks") << QStringLiteral("   ") << QStringLiteral("未命名");
    QTest::newRow("trailing dot and blank") << QStringLiteral("结尾. ") << QStringLiteral("结尾");
    QTest::newRow("CON") << QStringLiteral("CON") << QStringLiteral("_CON");
    QTest::newRow("nul with extension") << QStringLiteral("nul.txt") << QStringLiteral("_nul.txt");
    QTest::newRow("com1") << QStringLiteral("com1") << QStringLiteral("_com1");
    QTest::newRow("LPT9") << QStringLiteral("LPT9") << QStringLiteral("_LPT9");
    QTest::newRow("AUX blank") << QStringLiteral("AUX .md") << QStringLiteral("_AUX .md");
    QTest::newRow("COM10 is a name") << QStringLiteral("COM10") << QStringLiteral("COM10");
    QTest::newRow("CONSOLE is a name") << QStringLiteral("CONSOLE") << QStringLiteral("CONSOLE");
    QTest::newRow("ordinary") << QStringLiteral("会议记录 2026") << QStringLiteral("会议记录 2026");
}

void TestNames::safeName()
{
    QFETCH(QString, title);
    QFETCH(QString, expected);
    QCOMPARE(exchange::safeFileName(title), expected);
}

void TestNames::longNamesCutBetweenCharacters_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("chars");
    QTest::newRow("Chinese, 3 bytes each") << QString(100, QChar(0x4E2D)) << 66;
    QTest::newRow("emoji, 4 bytes each") << QString::fromUtf8(QByteArray(60, 'x').replace("x", "\xF0\x9F\x98\x80")) << 50;
    QTest::newRow("ASCII") << QString(300, QLatin1Char('a')) << 200;
    QTest::newRow("mixed") << QStringLiteral("a") + QString(80, QChar(0x4E2D)) << 67;
}

void TestNames::longNamesCutBetweenCharacters()
{
    QFETCH(QString, title);
    QFETCH(int, chars);
    const QString name = exchange::safeFileName(title);
    QVERIFY(name.toUtf8().size() <= exchange::MaxNameBytes);
    QVERIFY(title.startsWith(name));
    QCOMPARE(name.toUcs4().size(), chars);
    QCOMPARE(QString::fromUtf8(name.toUtf8()), name); // no half character
}

void TestNames::repeatedNamesAreNumbered()
{
    exchange::FolderNames names;
    QCOMPARE(names.take(QStringLiteral("标题"), QStringLiteral(".html")), QStringLiteral("标题.html"));
    QCOMPARE(names.take(QStringLiteral("标题"), QStringLiteral(".html")), QStringLiteral("标题 (2).html"));
    QCOMPARE(names.take(QStringLiteral("标题"), QStringLiteral(".html")), QStringLiteral("标题 (3).html"));
    QCOMPARE(names.take(QStringLiteral("标题"), QString()), QStringLiteral("标题"));
    QCOMPARE(names.take(QStringLiteral("Notes"), QStringLiteral(".md")), QStringLiteral("Notes.md"));
    QCOMPARE(names.take(QStringLiteral("notes"), QStringLiteral(".md")), QStringLiteral("notes (2).md"));
    // Titles that become the same name collide too.
    QCOMPARE(names.take(QStringLiteral("a/b"), QStringLiteral(".md")), QStringLiteral("a_b.md"));
    QCOMPARE(names.take(QStringLiteral("a:b"), QStringLiteral(".md")), QStringLiteral("a_b (2).md"));
    const QString longTitle(100, QChar(0x4E2D));
    names.take(longTitle, QStringLiteral(".html"));
    const QString second = names.take(longTitle, QStringLiteral(".html"));
    QVERIFY(second.endsWith(QStringLiteral(" (2).html")));
    QVERIFY(second.toUtf8().size() <= exchange::MaxNameBytes);
}

QTEST_GUILESS_MAIN(TestNames)
#include "tst_names.moc"
