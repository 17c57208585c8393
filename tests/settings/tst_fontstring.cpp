#include "settings/Colors.h"
#include "settings/FontString.h"

#include <QGuiApplication>
#include <QtTest>

// Font strings and the colour byte order.
class TstFontString : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QString>("name");  // "" = no name
        QTest::addColumn<double>("size");   // 0 = no size
        QTest::addColumn<QString>("flags"); // bold, italic, underline, strike: 1/0/- (absent)
        QTest::addColumn<qint64>("color");  // -1 = no colour
        QTest::addColumn<QString>("caption"); // "-" = none
        QTest::newRow("nominal: six fields") << "Arial,8,1,0,0,0" << 6 << "Arial" << 8.0 << "1000" << qint64(-1) << "Arial,8";
        QTest::newRow("nominal: seven fields with colour") << "Tahoma,10.5,0,1,1,1,255" << 7 << "Tahoma" << 10.5 << "0111" << qint64(255) << "Tahoma,10.5";
        QTest::newRow("nominal: default group font") << "Arial,8,0,0,0,0,0" << 7 << "Arial" << 8.0 << "0000" << qint64(0) << "Arial,8";
        QTest::newRow("nominal: colour rounds half to even") << "A,8,0,0,0,0,2.5" << 7 << "A" << 8.0 << "0000" << qint64(2) << "A,8";
        QTest::newRow("nominal: non-zero flag is on") << "A,8,2,-1,0.4,0" << 6 << "A" << 8.0 << "1110" << qint64(-1) << "A,8";
        QTest::newRow("nominal: caption keeps size as written") << "宋体,9pt,0,0,0,0" << 6 << "宋体" << 9.0 << "0000" << qint64(-1) << "宋体,9pt";
        QTest::newRow("robustness: eight fields carry no colour") << "Arial,8,1,0,0,0,255,x" << 8 << "Arial" << 8.0 << "1000" << qint64(-1) << "Arial,8";
        QTest::newRow("robustness: empty string") << "" << 0 << "" << 0.0 << "----" << qint64(-1) << "-";
        QTest::newRow("robustness: name only") << "Arial" << 1 << "Arial" << 0.0 << "----" << qint64(-1) << "-";
        QTest::newRow("robustness: empty fields count") << ",,,,,," << 7 << "" << 0.0 << "0000" << qint64(0) << ",";
        QTest::newRow("robustness: zero size ignored") << "Arial,0,1" << 3 << "Arial" << 0.0 << "1---" << qint64(-1) << "Arial,0";
        QTest::newRow("robustness: colour beyond 32 bits") << "A,8,0,0,0,0,50000000000" << 7 << "A" << 8.0 << "0000" << qint64(-1) << "A,8";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, fields);
        QFETCH(QString, name);
        QFETCH(double, size);
        QFETCH(QString, flags);
        QFETCH(qint64, color);
        QFETCH(QString, caption);
        const Tools::FontSpec parsed = Tools::ParseFontString(text);
        QCOMPARE(parsed.fieldCount, fields);
        QCOMPARE(parsed.name.value_or(QString()), name);
        QCOMPARE(parsed.size.value_or(0.0), size);
        const std::optional<bool> parts[] = {parsed.bold, parsed.italic, parsed.underline, parsed.strike};
        QString got;
        for (const auto &p : parts)
            got += p ? (*p ? u'1' : u'0') : u'-';
        QCOMPARE(got, flags);
        QCOMPARE(parsed.color ? qint64(*parsed.color) : qint64(-1), color);
        QCOMPARE(parsed.caption().value_or(QStringLiteral("-")), caption);
    }

    void absentPartsLeaveFontAlone()
    {
        QFont f(QStringLiteral("Courier"), 12);
        f.setItalic(true);
        Tools::ParseFontString(QStringLiteral(",,1")).applyTo(f);
        QCOMPARE(f.family(), QStringLiteral("Courier"));
        QCOMPARE(f.pointSizeF(), 12.0);
        QVERIFY(f.bold());
        QVERIFY(f.italic());
    }

    void sizeText_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<QString>("text");
        QTest::newRow("nominal: whole") << 8.0 << "8";
        QTest::newRow("nominal: half") << 10.5 << "10.5";
        QTest::newRow("nominal: single precision shortest") << double(9.1f) << "9.1";
        QTest::newRow("nominal: large whole") << 72.0 << "72";
        QTest::newRow("robustness: no exponent form") << 1e7 << "10000000";
    }

    void sizeText()
    {
        QFETCH(double, points);
        QFETCH(QString, text);
        QCOMPARE(Tools::FontSizeText(points), text);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("nominal: six fields") << "Arial,8,0,0,0,0";
        QTest::newRow("nominal: every style on") << "Arial,10.5,1,1,1,1";
        QTest::newRow("nominal: with colour") << "Arial,12,1,0,1,0,16711680";
        QTest::newRow("nominal: chinese face") << "宋体,10.5,0,1,0,0,255";
    }

    void roundTrip()
    {
        QFETCH(QString, text);
        const Tools::FontSpec parsed = Tools::ParseFontString(text);
        QFont f;
        parsed.applyTo(f);
        QCOMPARE(Tools::ComposeFontString(f, parsed.color), text);
    }

    void composeEightFieldStringDropsExtra()
    {
        const Tools::FontSpec parsed = Tools::ParseFontString(QStringLiteral("Arial,9,1,0,0,0,255,x"));
        QFont f;
        parsed.applyTo(f);
        QCOMPARE(Tools::ComposeFontString(f), QStringLiteral("Arial,9,1,0,0,0"));
    }

    void composePixelSizedFont()
    {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(20);
        const Tools::FontSpec parsed = Tools::ParseFontString(Tools::ComposeFontString(f));
        QVERIFY(parsed.size.has_value());
        QVERIFY(*parsed.size > 0);
    }

    void bgr_data()
    {
        QTest::addColumn<qint32>("bgr");
        QTest::addColumn<QColor>("color");
        QTest::newRow("nominal: red") << qint32(0x0000FF) << QColor(255, 0, 0);
        QTest::newRow("nominal: blue") << qint32(0xFF0000) << QColor(0, 0, 255);
        QTest::newRow("nominal: light blue background") << qint32(0xFFDBBF) << QColor(191, 219, 255);
        QTest::newRow("nominal: pane border") << qint32(0xCB9E7B) << QColor(123, 158, 203);
        QTest::newRow("nominal: black") << qint32(0) << QColor(0, 0, 0);
    }

    void bgr()
    {
        QFETCH(qint32, bgr);
        QFETCH(QColor, color);
        QCOMPARE(Tools::ColorFromBgr(bgr), color);
        QCOMPARE(Tools::BgrFromColor(color), bgr);
    }

    void bgrIgnoresHighByte()
    {
        QCOMPARE(Tools::ColorFromBgr(qint32(0x8000000F)), QColor(15, 0, 0));
    }

    void translateColor_data()
    {
        QTest::addColumn<quint32>("ole");
        QTest::addColumn<qint32>("rgb");
        QTest::newRow("nominal: plain value unchanged") << quint32(0xFFFFFF) << qint32(0xFFFFFF);
        QTest::newRow("nominal: zero") << quint32(0) << qint32(0);
        QTest::newRow("nominal: button face") << quint32(0x8000000F) << qint32(0x102030);
        QTest::newRow("nominal: button shadow") << quint32(0x80000010) << qint32(0x405060);
        QTest::newRow("nominal: button highlight") << quint32(0x80000014) << qint32(0x708090);
        QTest::newRow("robustness: unknown system index") << quint32(0x800000FF) << qint32(0);
        QTest::newRow("robustness: other high byte") << quint32(0x01000005) << qint32(0);
    }

    void translateColor()
    {
        QFETCH(quint32, ole);
        QFETCH(qint32, rgb);
        QPalette pal;
        pal.setColor(QPalette::Button, Tools::ColorFromBgr(0x102030));
        pal.setColor(QPalette::Dark, Tools::ColorFromBgr(0x405060));
        pal.setColor(QPalette::Light, Tools::ColorFromBgr(0x708090));
        QCOMPARE(Tools::TranslateColor(ole, pal), rgb);
    }
};

QTEST_MAIN(TstFontString)
#include "tst_fontstring.moc"
