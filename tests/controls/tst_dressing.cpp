#include "controls/Line3D.h"
#include "controls/ModTb.h"
#include "controls/SkinPaint.h"
#include "controls/SortHeader.h"
#include "settings/Colors.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

// Separator, pane, header, menu and toolbar painting, checked on rendered pixels.
class TstDressing : public QObject
{
    Q_OBJECT

    static QImage render(QWidget *w)
    {
        return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    static QPixmap solid(const QColor &c)
    {
        QPixmap pm(8, 8);
        pm.fill(c);
        return pm;
    }

private Q_SLOTS:
    void line3dSnapsBack_data()
    {
        QTest::addColumn<int>("asked");
        QTest::newRow("nominal: 200 twips worth") << 13;
        QTest::newRow("nominal: huge") << 200;
        QTest::newRow("robustness: zero") << 0;
    }

    void line3dSnapsBack()
    {
        QFETCH(int, asked);
        QWidget host;
        auto *layout = new QVBoxLayout(&host);
        auto *line = new Line3D(&host);
        layout->addWidget(line, 1);
        host.resize(300, 400);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(line->height(), 2);
        line->resize(250, asked);
        QCOMPARE(line->height(), 2);
        QCOMPARE(line->width(), 250);
    }

    void line3dEtched()
    {
        Line3D line;
        QPalette pal = line.palette();
        pal.setColor(QPalette::Dark, QColor(10, 20, 30));
        pal.setColor(QPalette::Light, QColor(240, 230, 220));
        line.setPalette(pal);
        line.resize(40, 2);
        const QImage img = render(&line);
        QCOMPARE(img.height(), 2);
        for (int x : {0, 20, 39}) {
            QCOMPARE(QColor(img.pixel(x, 0)), QColor(10, 20, 30));
            QCOMPARE(QColor(img.pixel(x, 1)), QColor(240, 230, 220));
        }
    }

    void paintPane_data()
    {
        QTest::addColumn<int>("skin");
        QTest::addColumn<QColor>("border");
        QTest::newRow("nominal: cool blue") << 0 << QColor(123, 158, 203);
        QTest::newRow("nominal: windows 2000") << 1 << QColor(193, 189, 182);
        QTest::newRow("nominal: any other skin like 1") << 5 << QColor(193, 189, 182);
    }

    void paintPane()
    {
        QFETCH(int, skin);
        QFETCH(QColor, border);
        QImage img(20, 10, QImage::Format_RGB32);
        img.fill(Qt::black);
        {
            QPainter p(&img);
            Tools::PaintPane(p, img.rect(), QBrush(solid(Qt::green)), skin);
        }
        for (const QPoint pt : {QPoint(0, 0), QPoint(19, 0), QPoint(0, 9), QPoint(19, 9), QPoint(10, 9)})
            QCOMPARE(QColor(img.pixel(pt)), border);
        QCOMPARE(QColor(img.pixel(10, 5)), QColor(Qt::green));
        QCOMPARE(QColor(img.pixel(1, 1)), QColor(Qt::green));
    }

    void sortIcon()
    {
        QStandardItemModel model(1, 3);
        model.setHorizontalHeaderLabels({QStringLiteral("标题"), QStringLiteral("日期"), QStringLiteral("级别")});
        QTreeView view;
        auto *header = new SortHeader(Qt::Horizontal, &view);
        view.setHeader(header);
        view.setModel(&model);
        for (int c = 0; c < 3; ++c)
            header->resizeSection(c, 100);
        view.resize(320, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QPixmap red(16, 16);
        red.fill(Qt::red);

        const auto redInSection = [&](int c) {
            const QImage img = render(header);
            const int x0 = header->sectionViewportPosition(c);
            for (int x = x0; x < x0 + header->sectionSize(c); ++x)
                for (int y = 0; y < img.height(); ++y)
                    if (QColor(img.pixel(x, y)) == QColor(Qt::red))
                        return x - x0;
            return -1;
        };

        QVERIFY(Tools::SetSortIcon(&view, 1, QIcon(red), true));
        const int at = redInSection(1);
        QVERIFY(at >= 50); // in the right half of the section, after the text
        QCOMPARE(redInSection(0), -1);
        QCOMPARE(redInSection(2), -1);

        header->setSortIcon(2, QIcon(red), true); // moving it clears the old section
        QCOMPARE(redInSection(1), -1);
        QVERIFY(redInSection(2) >= 50);

        header->setSortIcon(2, QIcon(red), false);
        QCOMPARE(redInSection(2), -1);
        QCOMPARE(header->sortIconColumn(), -1);
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("级别"));

        QTreeView plain;
        QVERIFY(!Tools::SetSortIcon(&plain, 0, QIcon(red), true));
    }

    void menuBackground_data()
    {
        QTest::addColumn<qint32>("colour");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("nominal: zero means the menu brush") << qint32(0) << QColor(Qt::magenta);
        QTest::newRow("nominal: solid white") << qint32(0xFFFFFF) << QColor(Qt::white);
        QTest::newRow("nominal: solid bgr") << qint32(0x0000FF) << QColor(Qt::red);
    }

    void menuBackground()
    {
        QFETCH(qint32, colour);
        QFETCH(QColor, expected);
        QMainWindow w;
        QMenu *file = w.menuBar()->addMenu(QStringLiteral("文件"));
        QMenu *sub = file->addMenu(QStringLiteral("最近"));
        sub->addAction(QStringLiteral("a.qbf"));
        QMenu *other = w.menuBar()->addMenu(QStringLiteral("帮助"));
        w.resize(300, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        Tools::SetMenuBackground(w.menuBar(), colour, QBrush(solid(Qt::magenta)), true);
        const QImage bar = render(w.menuBar());
        QCOMPARE(QColor(bar.pixel(bar.width() - 5, bar.height() / 2)), expected);
        const QRect item = w.menuBar()->actionGeometry(file->menuAction());
        QCOMPARE(QColor(bar.pixel(item.left() + 1, item.center().y())), expected);
        for (QMenu *m : {file, sub, other}) {
            m->adjustSize();
            const QImage img = render(m);
            // Sample the margin next to the last item, clear of text and frame.
            QCOMPARE(QColor(img.pixel(img.width() / 2, img.height() - 3)), expected);
        }

        // Without the flag the menus keep what they had.
        QMainWindow w2;
        QMenu *m2 = w2.menuBar()->addMenu(QStringLiteral("x"));
        const QBrush before = m2->palette().brush(QPalette::Window);
        Tools::SetMenuBackground(w2.menuBar(), colour, QBrush(solid(Qt::magenta)), false);
        QCOMPARE(m2->palette().brush(QPalette::Window), before);
    }

    void toolbarTexture()
    {
        QMainWindow w;
        QToolBar *tb = w.addToolBar(QStringLiteral("t"));
        tb->addAction(QStringLiteral("A"));
        w.resize(400, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto sample = [](QToolBar *t) {
            const QImage img = render(t);
            return QColor(img.pixel(img.width() - 4, img.height() / 2));
        };
        const QColor plain = sample(tb);

        ModTb::SetToolbarTexture(solid(Qt::red));
        QCOMPARE(sample(tb), QColor(Qt::red));
        ModTb::SetToolbarTexture(solid(Qt::blue)); // the second replaces the first
        QCOMPARE(sample(tb), QColor(Qt::blue));
        QCOMPARE(ModTb::ToolbarTexture().toImage().pixelColor(0, 0), QColor(Qt::blue));

        // Toolbars made later show it too, in any window.
        QMainWindow w2;
        QToolBar *later = w2.addToolBar(QStringLiteral("later"));
        w2.resize(300, 100);
        w2.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w2));
        QCOMPARE(sample(later), QColor(Qt::blue));

        ModTb::SetToolbarTexture(QPixmap());
        QCOMPARE(sample(tb), plain);
        QVERIFY(ModTb::ToolbarTexture().isNull());
    }
};

QTEST_MAIN(TstDressing)
#include "tst_dressing.moc"
