#include "Layout.h"

#include <QTest>
#include <array>

// Default inner area of the main window: 10575 x 6915 twips.
constexpr int W = 705;
constexpr int H = 461;

class tst_Layout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void geometry_data();
    void geometry();
    void invariants_data();
    void invariants();
};

using Rects
    = std::array<QRect, 8>; // toolbar, treeTitle, groupTree, listTitle, noteList, previewTitle, preview, statusStrip
Q_DECLARE_METATYPE(Rects)

static Rects asArray(const LayoutResult &r)
{
    return {r.toolbar, r.treeTitle, r.groupTree, r.listTitle, r.noteList, r.previewTitle, r.preview, r.statusStrip};
}

static const char *const kNames[8]
    = {"toolbar", "treeTitle", "groupTree", "listTitle", "noteList", "previewTitle", "preview", "statusStrip"};

void tst_Layout::geometry_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("toolbar");
    QTest::addColumn<bool>("statusBar");
    QTest::addColumn<bool>("notesBar");
    QTest::addColumn<bool>("noteInfo");
    QTest::addColumn<Rects>("expected");

    const QRect none;
    QTest::newRow("nominal: everything shown")
        << W << H << true << true << true << true
        << Rects{QRect(0, 0, 705, 22), QRect(1, 23, 164, 24), QRect(1, 50, 164, 391), QRect(167, 23, 538, 24),
                 QRect(167, 50, 538, 195), QRect(167, 247, 538, 24), QRect(167, 272, 538, 169),
                 QRect(0, 441, 705, 20)};
    // Titles at 0, lists at 390 twips, preview title still list height + 780 twips.
    QTest::newRow("nominal: toolbar hidden moves the panes up")
        << W << H << false << true << true << true
        << Rects{none, QRect(1, 0, 164, 24), QRect(1, 26, 164, 415), QRect(167, 0, 538, 24),
                 QRect(167, 26, 538, 207), QRect(167, 259, 538, 24), QRect(167, 284, 538, 157),
                 QRect(0, 441, 705, 20)};
    QTest::newRow("nominal: status strip hidden, panes reach the bottom edge")
        << W << H << true << false << true << true
        << Rects{QRect(0, 0, 705, 22), QRect(1, 23, 164, 24), QRect(1, 50, 164, 411), QRect(167, 23, 538, 24),
                 QRect(167, 50, 538, 205), QRect(167, 257, 538, 24), QRect(167, 282, 538, 179), none};
    QTest::newRow("nominal: tree hidden, right column moves to 15 twips and widens")
        << W << H << true << true << false << true
        << Rects{QRect(0, 0, 705, 22), none, none, QRect(1, 23, 704, 24), QRect(1, 50, 704, 195),
                 QRect(1, 247, 704, 24), QRect(1, 272, 704, 169), QRect(0, 441, 705, 20)};
    QTest::newRow("nominal: preview hidden, list as tall as the tree")
        << W << H << true << true << true << false
        << Rects{QRect(0, 0, 705, 22), QRect(1, 23, 164, 24), QRect(1, 50, 164, 391), QRect(167, 23, 538, 24),
                 QRect(167, 50, 538, 391), none, none, QRect(0, 441, 705, 20)};
    QTest::newRow("nominal: toolbar and tree hidden")
        << W << H << false << true << false << true
        << Rects{none, none, none, QRect(1, 0, 704, 24), QRect(1, 26, 704, 207), QRect(1, 259, 704, 24),
                 QRect(1, 284, 704, 157), QRect(0, 441, 705, 20)};
    QTest::newRow("nominal: only the list left")
        << W << H << false << false << false << false
        << Rects{none, none, none, QRect(1, 0, 704, 24), QRect(1, 26, 704, 435), none, none, none};
    // 393 free pixels: the list gets 196, the preview keeps the odd one.
    QTest::newRow("nominal: odd free height goes to the preview")
        << W << 463 << true << true << true << true
        << Rects{QRect(0, 0, 705, 22), QRect(1, 23, 164, 24), QRect(1, 50, 164, 393), QRect(167, 23, 538, 24),
                 QRect(167, 50, 538, 196), QRect(167, 248, 538, 24), QRect(167, 273, 538, 170),
                 QRect(0, 443, 705, 20)};
    QTest::newRow("robustness: tiny window clamps sizes to zero")
        << 100 << 60 << true << true << true << true
        << Rects{QRect(0, 0, 100, 22), QRect(1, 23, 164, 24), QRect(1, 50, 164, 0), QRect(167, 23, 0, 24),
                 QRect(167, 50, 0, 0), QRect(167, 52, 0, 24), QRect(167, 77, 0, 0), QRect(0, 40, 100, 20)};
    QTest::newRow("robustness: window shorter than the status strip")
        << 300 << 10 << true << true << true << false
        << Rects{QRect(0, 0, 300, 22), QRect(1, 23, 164, 24), QRect(1, 50, 164, 0), QRect(167, 23, 133, 24),
                 QRect(167, 50, 133, 0), none, none, QRect(0, 0, 300, 20)};
    QTest::newRow("robustness: negative size of a minimised window")
        << -160 << -32 << true << true << true << true
        << Rects{QRect(0, 0, 0, 22), QRect(1, 23, 164, 24), QRect(1, 50, 164, 0), QRect(167, 23, 0, 24),
                 QRect(167, 50, 0, 0), QRect(167, 52, 0, 24), QRect(167, 77, 0, 0), QRect(0, 0, 0, 20)};
}

void tst_Layout::geometry()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, toolbar);
    QFETCH(bool, statusBar);
    QFETCH(bool, notesBar);
    QFETCH(bool, noteInfo);
    QFETCH(Rects, expected);

    LayoutInput in;
    in.innerWidth = width;
    in.innerHeight = height;
    in.toolbar = toolbar;
    in.statusBar = statusBar;
    in.notesBar = notesBar;
    in.noteInfo = noteInfo;
    const Rects got = asArray(computeLayout(in));
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i] != expected[i]) {
            const QString msg = QStringLiteral("%1 is (%2,%3 %4x%5), expected (%6,%7 %8x%9)")
                                    .arg(QLatin1String(kNames[i]))
                                    .arg(got[i].x()).arg(got[i].y()).arg(got[i].width()).arg(got[i].height())
                                    .arg(expected[i].x()).arg(expected[i].y()).arg(expected[i].width())
                                    .arg(expected[i].height());
            QFAIL(qPrintable(msg));
        }
    }
}

// Every switch combination over sizes from degenerate to large: properties
// that any arrangement must keep, whatever the exact offsets.
void tst_Layout::invariants_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("switches"); // bit 0 toolbar, 1 status, 2 tree, 3 preview
    QTest::addColumn<int>("toolbarNeeds"); // what the toolbar's content needs (a larger font)

    const int widths[] = {0, 50, 167, 168, 400, 705, 1921};
    const int heights[] = {0, 21, 70, 77, 100, 461, 1080};
    for (int switches = 0; switches < 16; ++switches)
        for (int w : widths)
            for (int h : heights)
                for (int needs : {0, 31})
                    QTest::addRow("%s: %dx%d switches %d toolbar needs %d",
                                  (w >= 400 && h >= 200) ? "nominal" : "robustness", w, h, switches, needs)
                        << w << h << switches << needs;
}

void tst_Layout::invariants()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, switches);
    QFETCH(int, toolbarNeeds);

    LayoutInput in;
    in.innerWidth = width;
    in.innerHeight = height;
    in.toolbar = switches & 1;
    in.statusBar = switches & 2;
    in.notesBar = switches & 4;
    in.noteInfo = switches & 8;
    in.toolbarNeeds = toolbarNeeds;
    // A toolbar taller than its fixed 22 pixels moves everything under it down as much.
    const int below = in.toolbar ? std::max(toolbarNeeds - 22, 0) : 0;
    const LayoutResult r = computeLayout(in);
    const Rects all = asArray(r);
    const bool shown[8] = {in.toolbar, in.notesBar, in.notesBar, true, true, in.noteInfo, in.noteInfo, in.statusBar};

    for (size_t i = 0; i < all.size(); ++i) {
        QVERIFY2(all[i].width() >= 0 && all[i].height() >= 0, kNames[i]);
        if (!shown[i])
            QVERIFY2(all[i].isNull(), kNames[i]);
    }

    // The right-hand column shares one left edge and reaches the right edge.
    for (const QRect &q : {r.listTitle, r.noteList, r.previewTitle, r.preview}) {
        if (q.isNull())
            continue;
        QCOMPARE(q.x(), r.listTitle.x());
        QCOMPARE(q.x() + q.width(), std::max(width, r.listTitle.x()));
    }
    QCOMPARE(r.noteList.y(), in.toolbar ? 50 + below : 26);
    if (in.notesBar)
        QCOMPARE(r.groupTree.y(), r.noteList.y());

    if (width < 400 || height < 200)
        return; // panes legitimately spill out of a window smaller than they are

    const QRect window(0, 0, width, height);
    const int floor = in.statusBar ? height - 20 : height;
    for (size_t i = 0; i < all.size(); ++i)
        if (shown[i])
            QVERIFY2(window.contains(all[i]), kNames[i]);
    // Visible panes never overlap each other.
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
            if (shown[i] && shown[j])
                QVERIFY2(!all[i].intersects(all[j]), qPrintable(QStringLiteral("%1 overlaps %2")
                                                                    .arg(QLatin1String(kNames[i]),
                                                                         QLatin1String(kNames[j]))));
    // The lowest panes of both columns end exactly on the status strip (or the window's edge).
    if (in.notesBar)
        QCOMPARE(r.groupTree.y() + r.groupTree.height(), floor);
    const QRect &lowest = in.noteInfo ? r.preview : r.noteList;
    QCOMPARE(lowest.y() + lowest.height(), floor);
    if (in.statusBar)
        QCOMPARE(r.statusStrip, QRect(0, height - 20, width, 20));
    if (in.toolbar)
        QCOMPARE(r.toolbar, QRect(0, 0, width, 22 + below));
}

QTEST_APPLESS_MAIN(tst_Layout)
#include "tst_layout.moc"
