#include "JetText.h"

#include <QTest>

class TestJetText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("expected");

        QTest::newRow("nominal: plain UTF-16") << QByteArray("A\0B\0", 4) << QStringLiteral("AB");
        QTest::newRow("nominal: Chinese UTF-16") << QByteArray("\xe5\x5d\x5c\x4f", 4) << QStringLiteral("工作");
        QTest::newRow("nominal: compressed Latin-1")
            << QByteArray("\xff\xfeWork", 6) << QStringLiteral("Work");
        // 00 switches to two-byte characters and back: "Wor" + 工作 + "x".
        QTest::newRow("nominal: mixed compression")
            << QByteArray("\xff\xfeWor\x00\xe5\x5d\x5c\x4f\x00x", 12) << QStringLiteral("Wor工作x");
        QTest::newRow("nominal: surrogate pair")
            << QByteArray("\x40\xd8\x00\xdc", 4) << QString::fromUcs4(U"\U00020000");
        QTest::newRow("nominal: emoji after text")
            << QByteArray("a\0\x3d\xd8\x00\xde", 6) << QString::fromUcs4(U"a\U0001F600");
        QTest::newRow("robustness: lone high surrogate")
            << QByteArray("\x40\xd8" "b\0", 4) << QStringLiteral("\uFFFDb");
        QTest::newRow("robustness: odd trailing byte") << QByteArray("A\0B", 3) << QStringLiteral("A");
        QTest::newRow("robustness: compressed, cut in a wide char")
            << QByteArray("\xff\xfe" "a\x00\xe5", 5) << QStringLiteral("a");
        QTest::newRow("robustness: empty") << QByteArray() << QString();
    }

    void decode()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, expected);
        const std::string utf8 = jettext::decode(reinterpret_cast<const unsigned char *>(raw.constData()),
                                                 static_cast<std::size_t>(raw.size()));
        QCOMPARE(QString::fromStdString(utf8), expected);
    }
};

QTEST_APPLESS_MAIN(TestJetText)
#include "tst_jettext.moc"
