#include "util/LeadingNumber.h"
#include "util/Paths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class TestHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leadingNumber_data();
    void leadingNumber();
    void leadingNumberUtf8Agrees();
    void roundToInt32_data();
    void roundToInt32();
    void paths_data();
    void paths();
    void fileExists();
};

void TestHelpers::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("nominal: integer") << "255" << 255.0;
    QTest::newRow("nominal: fraction") << "10.5" << 10.5;
    QTest::newRow("nominal: leading blanks") << "   42" << 42.0;
    QTest::newRow("nominal: tab then number") << "\t7" << 7.0;
    QTest::newRow("nominal: trailing text stops the number") << "8pt" << 8.0;
    QTest::newRow("nominal: key without its k") << "12" << 12.0;
    QTest::newRow("nominal: negative") << "-3" << -3.0;
    QTest::newRow("nominal: plus sign") << "+4" << 4.0;
    QTest::newRow("nominal: fraction without integer part") << ".5" << 0.5;
    QTest::newRow("nominal: trailing point") << "5." << 5.0;
    QTest::newRow("nominal: second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("robustness: comma is no separator") << "10,5" << 10.0;
    QTest::newRow("robustness: no exponent") << "1e3" << 1.0;
    QTest::newRow("robustness: empty") << "" << 0.0;
    QTest::newRow("robustness: text only") << "abc" << 0.0;
    QTest::newRow("robustness: sign only") << "-" << 0.0;
    QTest::newRow("robustness: point only") << "." << 0.0;
    QTest::newRow("robustness: blank between sign and digits") << "- 5" << 0.0;
    QTest::newRow("robustness: letter first") << "k12" << 0.0;
    QTest::newRow("robustness: full-width digits are not digits") << "１２" << 0.0;
    QTest::newRow("robustness: huge") << QString(400, u'9') << qInf();
}

void TestHelpers::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(LeadingNumber(text), expected);
}

void TestHelpers::leadingNumberUtf8Agrees()
{
    const char *samples[] = {"255", " 10.5x", "-7", "中文", "", "3.", ".25", "+"};
    for (const char *s : samples) {
        const QByteArray b(s);
        QCOMPARE(LeadingNumberUtf8(b.constData(), b.size()), LeadingNumber(QString::fromUtf8(b)));
    }
    QCOMPARE(LeadingNumberUtf8(nullptr, 0), 0.0);
}

void TestHelpers::roundToInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("expected");
    QTest::newRow("nominal: tie goes to even (down)") << 2.5 << true << 2;
    QTest::newRow("nominal: tie goes to even (up)") << 3.5 << true << 4;
    QTest::newRow("nominal: negative tie") << -2.5 << true << -2;
    QTest::newRow("nominal: largest") << 2147483647.0 << true << 2147483647;
    QTest::newRow("robustness: above range") << 2147483648.0 << false << 0;
    QTest::newRow("robustness: below range") << -2147483649.0 << false << 0;
    QTest::newRow("robustness: infinity") << qInf() << false << 0;
    QTest::newRow("robustness: NaN") << qQNaN() << false << 0;
}

void TestHelpers::roundToInt32()
{
    QFETCH(double, value);
    QFETCH(bool, ok);
    QFETCH(int, expected);
    qint32 out = 0;
    QCOMPARE(RoundToInt32(value, &out), ok);
    QCOMPARE(out, expected);
}

void TestHelpers::paths_data()
{
    const QString s = QDir::separator();
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("withSeparator");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("nominal: full path") << s + "data" + s + "mine.qbf" << s + "data" + s + "mine.qbf" + s
                                        << s + "data" + s << "mine.qbf";
    QTest::newRow("nominal: folder with separator") << s + "data" + s << s + "data" + s << s + "data" + s
                                                    << "";
    QTest::newRow("nominal: root") << s << s << s << "";
    QTest::newRow("robustness: no separator") << "notes.qbf" << "notes.qbf" + s << "notes.qbf" << "";
    QTest::newRow("robustness: empty") << "" << s << "" << "";
    QTest::newRow("nominal: Chinese name") << s + "笔记" + s + "我的.qbf" << s + "笔记" + s + "我的.qbf" + s
                                           << s + "笔记" + s << "我的.qbf";
}

void TestHelpers::paths()
{
    QFETCH(QString, path);
    QFETCH(QString, withSeparator);
    QFETCH(QString, folder);
    QFETCH(QString, fileName);
    QCOMPARE(Tools::AddBackslash(path), withSeparator);
    QCOMPARE(Tools::FolderOf(path), folder);
    QCOMPARE(Tools::FileNameOf(path), fileName);
}

void TestHelpers::fileExists()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("a.qbf"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(Tools::FileExists(file));
    QVERIFY(Tools::FileExists(dir.path())); // a folder counts
    QVERIFY(!Tools::FileExists(QString()));
    QVERIFY(!Tools::FileExists(dir.filePath(QStringLiteral("missing.qbf"))));
    QVERIFY(!Tools::FileExists(QStringLiteral("/no/such/drive/x.qbf")));
}

QTEST_GUILESS_MAIN(TestHelpers)
#include "tst_helpers.moc"
