#include "controls/FontApply.h"
#include "settings/Colors.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QTreeWidget>
#include <QtTest>

// Font strings applied to the sample labels, the group tree and the note list.
class TstFontApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void label_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("size");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("strike");
        QTest::addColumn<QColor>("color");
        const QColor kept(1, 2, 3); // the label's colour before
        QTest::newRow("nominal: six fields keep colour")
            << "Arial,8,1,0,0,0" << "Arial,8" << "Arial" << 8.0 << true << false << kept;
        QTest::newRow("nominal: seven fields set colour")
            << "Tahoma,10.5,0,0,0,1,255" << "Tahoma,10.5" << "Tahoma" << 10.5 << false << true
            << QColor(255, 0, 0);
        QTest::newRow("robustness: eight fields no colour")
            << "Arial,9,1,0,0,0,255,1" << "Arial,9" << "Arial" << 9.0 << true << false << kept;
        QTest::newRow("robustness: name only keeps caption and size")
            << "Verdana" << "old" << "Verdana" << 20.0 << false << false << kept;
        QTest::newRow("robustness: empty string changes nothing")
            << "" << "old" << "Courier" << 20.0 << false << false << kept;
    }

    void label()
    {
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(QString, family);
        QFETCH(double, size);
        QFETCH(bool, bold);
        QFETCH(bool, strike);
        QFETCH(QColor, color);
        QLabel lbl(QStringLiteral("old"));
        lbl.setFont(QFont(QStringLiteral("Courier"), 20));
        QPalette pal = lbl.palette();
        pal.setColor(QPalette::WindowText, QColor(1, 2, 3));
        lbl.setPalette(pal);

        Tools::ApplyFontString(text, &lbl);
        QCOMPARE(lbl.text(), caption);
        QCOMPARE(lbl.font().family(), family);
        QCOMPARE(lbl.font().pointSizeF(), size);
        QCOMPARE(lbl.font().bold(), bold);
        QCOMPARE(lbl.font().strikeOut(), strike);
        QCOMPARE(lbl.palette().color(QPalette::WindowText), color);
    }

    void tree_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qint32>>("calls");
        QTest::newRow("nominal: default group font gives 0") << "Arial,8,0,0,0,0,0" << QList<qint32>{0};
        QTest::newRow("nominal: colour passed on") << "Arial,8,0,0,0,0,16711680" << QList<qint32>{16711680};
        QTest::newRow("nominal: six fields give 0") << "Arial,8,0,0,0,0" << QList<qint32>{0};
        QTest::newRow("robustness: eight fields give 0") << "Arial,8,0,0,0,0,255,x" << QList<qint32>{0};
        QTest::newRow("robustness: empty string gives 0") << "" << QList<qint32>{0};
        QTest::newRow("robustness: colour beyond 32 bits skipped") << "Arial,8,0,0,0,0,9000000000000" << QList<qint32>{};
    }

    void tree()
    {
        QFETCH(QString, text);
        QFETCH(QList<qint32>, calls);
        QTreeWidget tv;
        QList<qint32> got;
        Tools::ApplyFontString(text, &tv, [&got](qint32 c) { got.append(c); });
        QCOMPARE(got, calls);
    }

    void treeFontAndListFont()
    {
        QTreeWidget tv;
        Tools::ApplyFontString(QStringLiteral("Arial,12,0,1,1,0,255"), &tv, [](qint32) {});
        QCOMPARE(tv.font().pointSizeF(), 12.0);
        QVERIFY(tv.font().italic());
        QVERIFY(tv.font().underline());

        // The note list gets the font only; it has no caption and no colour.
        QListView list;
        Tools::ApplyFontString(QStringLiteral("Arial,10.5,1,0,0,0"), &list);
        QCOMPARE(list.font().pointSizeF(), 10.5);
        QVERIFY(list.font().bold());
    }

    void nullControlIgnored()
    {
        int called = 0;
        Tools::ApplyFontString(QStringLiteral("Arial,8,0,0,0,0,0"), nullptr, [&called](qint32) { ++called; });
        QCOMPARE(called, 0);
    }
};

QTEST_MAIN(TstFontApply)
#include "tst_fontapply.moc"
