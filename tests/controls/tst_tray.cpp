#include "controls/Tray.h"

#include <QApplication>
#include <QPixmap>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using Ev = Tray::Event;
using Reports = QList<Tray::Report>;
Q_DECLARE_METATYPE(Tray::Report)

namespace {

QIcon someIcon(Qt::GlobalColor c = Qt::red)
{
    QPixmap pm(16, 16);
    pm.fill(c);
    return QIcon(pm);
}

// What the tray's signals produced, in order, in the same form as the mapping's reports.
struct Recorder
{
    Reports got;
    explicit Recorder(Tray &t)
    {
        QObject::connect(&t, &Tray::MouseMove, [this] { got.append({Ev::MouseMove, 0}); });
        QObject::connect(&t, &Tray::MouseDown, [this](int b) { got.append({Ev::MouseDown, b}); });
        QObject::connect(&t, &Tray::MouseUp, [this](int b) { got.append({Ev::MouseUp, b}); });
        QObject::connect(&t, &Tray::DblClick, [this] { got.append({Ev::DblClick, 0}); });
    }
};

} // namespace

class TstTray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messages_data()
    {
        QTest::addColumn<int>("message");
        QTest::addColumn<Reports>("expected");
        QTest::newRow("nominal: move") << 512 << Reports{{Ev::MouseMove, 0}};
        QTest::newRow("nominal: left down") << 513 << Reports{{Ev::MouseDown, 1}};
        QTest::newRow("nominal: left up") << 514 << Reports{{Ev::MouseUp, 1}};
        QTest::newRow("nominal: left double") << 515 << Reports{{Ev::DblClick, 0}};
        QTest::newRow("nominal: right down") << 516 << Reports{{Ev::MouseDown, 2}};
        QTest::newRow("nominal: right up") << 517 << Reports{{Ev::MouseUp, 2}};
        QTest::newRow("nominal: right double like left") << 518 << Reports{{Ev::DblClick, 0}};
        QTest::newRow("robustness: middle down") << 519 << Reports{};
        QTest::newRow("robustness: below range") << 511 << Reports{};
        QTest::newRow("robustness: zero") << 0 << Reports{};
    }

    void messages()
    {
        QFETCH(int, message);
        QFETCH(Reports, expected);
        QCOMPARE(Tray::ReportsForMessage(message), expected);
        Tray tray;
        Recorder rec(tray);
        tray.handleMessage(message);
        QCOMPARE(rec.got, expected);
    }

    void activations_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<Reports>("expected");
        QTest::newRow("nominal: left click is down then up")
            << int(QSystemTrayIcon::Trigger) << Reports{{Ev::MouseDown, 1}, {Ev::MouseUp, 1}};
        QTest::newRow("nominal: right click is down then up")
            << int(QSystemTrayIcon::Context) << Reports{{Ev::MouseDown, 2}, {Ev::MouseUp, 2}};
        QTest::newRow("nominal: double click")
            << int(QSystemTrayIcon::DoubleClick) << Reports{{Ev::DblClick, 0}};
        QTest::newRow("robustness: middle click raises nothing")
            << int(QSystemTrayIcon::MiddleClick) << Reports{};
        QTest::newRow("robustness: unknown raises nothing")
            << int(QSystemTrayIcon::Unknown) << Reports{};
    }

    void activations()
    {
        QFETCH(int, reason);
        QFETCH(Reports, expected);
        const auto r = QSystemTrayIcon::ActivationReason(reason);
        QCOMPARE(Tray::ReportsForActivation(r), expected);
        Tray tray;
        tray.setIcon(someIcon());
        tray.setVisible(true);
        Recorder rec(tray);
        // As the platform icon reports it, so the wiring is checked too.
        Q_EMIT tray.systemIcon()->activated(r);
        QCOMPARE(rec.got, expected);
    }

    void addedOnce()
    {
        Tray tray;
        tray.setIcon(someIcon());
        QCOMPARE(tray.addCount(), 0); // an icon alone does not show it
        tray.setVisible(true);
        tray.setVisible(true);
        QCOMPARE(tray.addCount(), 1);
        QVERIFY(tray.systemIcon());
        tray.setVisible(false);
        tray.setVisible(false);
        QCOMPARE(tray.removeCount(), 1);
        QVERIFY(!tray.systemIcon());
        tray.setVisible(true);
        QCOMPARE(tray.addCount(), 2);
    }

    void nullIconRemoves()
    {
        Tray tray;
        tray.setIcon(someIcon());
        tray.setVisible(true);
        tray.setIcon(QIcon());
        QVERIFY(!tray.Visible());
        QVERIFY(!tray.systemIcon());
        QCOMPARE(tray.removeCount(), 1);
        // While hidden, a null icon removes nothing more.
        tray.setIcon(QIcon());
        QCOMPARE(tray.removeCount(), 1);
    }

    void iconAndTipReachShownIcon()
    {
        Tray tray;
        tray.setToolTip(QStringLiteral("  Quillbook "));
        tray.setVisible(true); // shown without an icon: still added, with a blank one
        QCOMPARE(tray.addCount(), 1);
        QVERIFY(!tray.systemIcon()->icon().isNull());
        QCOMPARE(tray.systemIcon()->toolTip(), QStringLiteral("Quillbook"));
        const QIcon blue = someIcon(Qt::blue);
        tray.setIcon(blue);
        QCOMPARE(tray.systemIcon()->icon().cacheKey(), blue.cacheKey());
        tray.setToolTip(QStringLiteral("笔记"));
        QCOMPARE(tray.systemIcon()->toolTip(), QStringLiteral("笔记"));
        QCOMPARE(tray.addCount(), 1); // changes modify, they do not add again
    }

    void toolTipTrimmed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("nominal: plain") << "Quillbook" << "Quillbook";
        QTest::newRow("nominal: spaces both sides") << "  a b  " << "a b";
        QTest::newRow("nominal: only spaces") << "   " << "";
        QTest::newRow("robustness: inner spaces kept") << "a   b" << "a   b";
        QTest::newRow("robustness: tabs and line breaks are not blanks")
            << "\tQuillbook \n" << "\tQuillbook \n";
        QTest::newRow("robustness: ideographic space is not a blank") << "\u3000笔记 " << "\u3000笔记";
    }

    void toolTipTrimmed()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        Tray tray;
        tray.setToolTip(text); // hidden: stored for the next show
        QCOMPARE(tray.ToolTip(), stored);
        QCOMPARE(tray.addCount(), 0);
    }

    void removedWithControl()
    {
        QPointer<QSystemTrayIcon> sys;
        {
            Tray tray;
            tray.setIcon(someIcon());
            tray.setVisible(true);
            sys = tray.systemIcon();
            QVERIFY(sys);
            QVERIFY(sys->isVisible());
        }
        QVERIFY(sys.isNull());
    }
};

QTEST_MAIN(TstTray)
#include "tst_tray.moc"
