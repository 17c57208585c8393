// The dates a note is stamped with, and reading them back for the list's sort.
#include "settings/DateText.h"

#include <QtTest>

class tst_DateText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noteDate_data();
    void noteDate();
    void storedDateRead_data();
    void storedDateRead();
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

void tst_DateText::storedDateRead_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read"); // yyyy-MM-dd hh:mm:ss, "" when no date
    QTest::newRow("nominal: a two-digit year in this century") << "en_US" << "1/2/30 00:00" << "2030-01-02 00:00:00";
    QTest::newRow("nominal: a two-digit year of the last century") << "de_DE" << "31.12.99 23:59" << "1999-12-31 23:59:00";
    QTest::newRow("nominal: year first under another locale, as older programs wrote")
        << "en_GB" << "2026/12/07 09:15:30" << "2026-12-07 09:15:30";
    QTest::newRow("robustness: a clock of one digit") << "zh_CN" << "2025/1/2 8:00" << "2025-01-02 08:00:00";
    QTest::newRow("robustness: no date") << "zh_CN" << "later" << "";
    QTest::newRow("robustness: day first is not guessed") << "zh_CN" << "07/12/2026 09:15" << "";
    QTest::newRow("robustness: a month that is none") << "zh_CN" << "2026/13/1 09:15" << "";
    QTest::newRow("boundary: 29 February of a two-digit year")
        << "de_DE" << "29.02.24 10:00" << "2024-02-29 10:00:00";
    QTest::newRow("robustness: 29 February of a year 00, which Qt reads as 1900")
        << "de_DE" << "29.02.00 10:00" << "";
    QTest::newRow("robustness: another separator, read year first") << "zh_CN" << "2026-12-07 09:15" << "2026-12-07 09:15:00";
    QTest::newRow("robustness: blanks around") << "en_GB" << " 07/12/2026 09:15 " << "2026-12-07 09:15:00";
}

// What the list sorts by and search ranks by; the key orders as the dates do, 0 below them all.
void tst_DateText::storedDateRead()
{
    QFETCH(QString, locale);
    QFETCH(QString, stored);
    QFETCH(QString, read);
    const QDateTime when = Tools::ParseNoteDate(stored, QLocale(locale));
    QCOMPARE(when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QString(), read);
    const qint64 key = Tools::NoteDateKey(stored, QLocale(locale));
    QCOMPARE(key, read.isEmpty() ? 0 : QString(read).remove(QRegularExpression(QStringLiteral("\\D"))).toLongLong());
}

QTEST_MAIN(tst_DateText)
#include "tst_datetext.moc"
