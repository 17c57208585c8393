// The dates a note is stamped with, and reading them back for the list's sort.
#include "settings/DateText.h"

#include <QtTest>

class tst_DateText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noteDate_data();
    void noteDate();
};

void tst_DateText::noteDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nominal: Chinese") << "zh_CN" << "2026/12/7 22:47";
    QTest::newRow("nominal: the C locale writes as Chinese") << "C" << "2026/12/7 22:47";
    QTest::newRow("nominal: a real locale keeps its own") << "de_DE" << "07.12.26 22:47";
}

void tst_DateText::noteDate()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);

    const QLocale written = Tools::DateLocale(QLocale(locale));
    const QDateTime when(QDate(2026, 12, 7), QTime(22, 47, 31));
    const QString text = Tools::NoteDateText(when, written);
    QCOMPARE(text, expected);
    // Read back to the minute with the format that wrote it.
    const QDateTime back = Tools::ParseNoteDate(text, written);
    QVERIFY(back.isValid());
    QCOMPARE(back.date().month(), 12);
    QCOMPARE(back.date().day(), 7);
    QCOMPARE(back.time(), QTime(22, 47));
}

QTEST_MAIN(tst_DateText)
#include "tst_datetext.moc"
