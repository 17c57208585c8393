// Pane switches through the View menu, their settings, minimising to the tray, and the skins.
#include "MainWindowHarness.h"
#include "WindowProbe.h"

#include "controls/ModTb.h"
#include "controls/Tray.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/Layout.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SearchBox.h"
#include "mainwindow/SkinPane.h"
#include "search/NoteIndex.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTreeView>
#include <QLabel>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

namespace {

QRect expected(const frmmain &w, QRect LayoutResult::*pane, bool toolbar, bool status, bool notes, bool info)
{
    LayoutInput in;
    in.innerWidth = w.centralWidget()->width();
    in.innerHeight = w.centralWidget()->height();
    in.toolbar = toolbar;
    in.statusBar = status;
    in.notesBar = notes;
    in.noteInfo = info;
    in.toolbarNeeds = probe(w).toolbar()->sizeHint().height();
    return computeLayout(in).*pane;
}

QColor textColor(const QLabel *l)
{
    return l->palette().color(QPalette::WindowText);
}

QColor centrePixel(QWidget *w)
{
    return w->grab().toImage().pixelColor(w->width() / 2, w->height() / 2);
}

} // namespace

class tst_LayoutSkins : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void viewSwitch_data();
    void viewSwitch();
    void viewOptionsRestoredAtStart();
    void resizeKeepsTheGeometry();
    void minimise_data();
    void minimise();
    void lastWindowState();
    void skins_data();
    void skins();
    void noteIconsCutFromTheStrip();
    void iconViewTitles_data();
    void iconViewTitles();
    void nothingClipped();

private:
    std::unique_ptr<MainWindowHarness> h;
    frmmain *w = nullptr;
};

void tst_LayoutSkins::init()
{
    h = std::make_unique<MainWindowHarness>();
    QCOMPARE(h->showOnSample(QStringLiteral("l.qbf")), QString());
    w = h->window.get();
}

void tst_LayoutSkins::cleanup()
{
    h.reset();
    w = nullptr;
}

void tst_LayoutSkins::viewSwitch_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("key");

    QTest::newRow("nominal: toolbar") << "mnuToolbar" << "Toolbar";
    QTest::newRow("nominal: status bar") << "mnuStatusbar" << "StatusBar";
    QTest::newRow("nominal: group pane") << "mnuMyNotes" << "NotesBar";
    QTest::newRow("nominal: note preview") << "mnuNoteInfo" << "NoteInfo";
}

void tst_LayoutSkins::viewSwitch()
{
    QFETCH(QString, item);
    QFETCH(QString, key);

    QAction *a = w->findChild<QAction *>(item);
    QVERIFY(a);
    QVERIFY(a->isChecked());
    for (int round = 0; round < 2; ++round) {
        a->trigger();
        const bool shown = round == 1;
        QCOMPARE(a->isChecked(), shown);
        QCOMPARE(h->readSetting(key), shown ? QStringLiteral("0") : QStringLiteral("1"));

        const bool tb = probe(*w).item("mnuToolbar")->isChecked(), sb = probe(*w).item("mnuStatusbar")->isChecked(),
                   nb = probe(*w).item("mnuMyNotes")->isChecked(), ni = probe(*w).item("mnuNoteInfo")->isChecked();
        QCOMPARE(probe(*w).toolbar()->isVisible(), tb);
        QCOMPARE(probe(*w).statusStrip()->isVisible(), sb);
        QCOMPARE(probe(*w).groupTree()->isVisible(), nb);
        QCOMPARE(probe(*w).treeTitle()->isVisible(), nb);
        QCOMPARE(probe(*w).preview()->isVisible(), ni);
        QCOMPARE(probe(*w).previewTitle()->isVisible(), ni);
        QCOMPARE(probe(*w).noteList()->geometry(), expected(*w, &LayoutResult::noteList, tb, sb, nb, ni));
        QCOMPARE(probe(*w).listTitle()->geometry(), expected(*w, &LayoutResult::listTitle, tb, sb, nb, ni));
        if (nb)
            QCOMPARE(probe(*w).groupTree()->geometry(), expected(*w, &LayoutResult::groupTree, tb, sb, nb, ni));
        if (ni)
            QCOMPARE(probe(*w).preview()->geometry(), expected(*w, &LayoutResult::preview, tb, sb, nb, ni));
        if (sb)
            QCOMPARE(probe(*w).statusStrip()->geometry(), expected(*w, &LayoutResult::statusStrip, tb, sb, nb, ni));
    }
    // Hidden panes leave room that the others take: the list then starts at the window's edge,
    // reaches the bottom, or takes the preview's height.
    a->trigger();
    const int bottom = w->centralWidget()->height();
    if (key == "NotesBar")
        QCOMPARE(probe(*w).noteList()->x(), 1);
    if (key == "NoteInfo")
        QCOMPARE(probe(*w).noteList()->height(), probe(*w).groupTree()->height());
    if (key == "StatusBar")
        QCOMPARE(probe(*w).groupTree()->geometry().bottom() + 1, bottom);
    if (key == "Toolbar")
        QCOMPARE(probe(*w).treeTitle()->y(), 0);
}

void tst_LayoutSkins::viewOptionsRestoredAtStart()
{
    MainWindowHarness again;
    again.writeSetting(QStringLiteral("Toolbar"), QStringLiteral("1"));
    again.writeSetting(QStringLiteral("NotesBar"), QStringLiteral("1"));
    again.writeSetting(QStringLiteral("StatusBar"), QStringLiteral("0"));
    again.writeSetting(QStringLiteral("NoteInfo"), QStringLiteral("7")); // any non-zero hides
    again.writeSetting(QStringLiteral("ListView"), QStringLiteral("0"));
    frmmain &r = again.start({again.path(QStringLiteral("none.qbf"))});
    r.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    QVERIFY(!probe(r).item("mnuToolbar")->isChecked());
    QVERIFY(!probe(r).item("mnuMyNotes")->isChecked());
    QVERIFY(probe(r).item("mnuStatusbar")->isChecked());
    QVERIFY(!probe(r).item("mnuNoteInfo")->isChecked());
    QVERIFY(!probe(r).toolbar()->isVisible());
    QVERIFY(!probe(r).groupTree()->isVisible());
    QVERIFY(probe(r).statusStrip()->isVisible());
    QVERIFY(!probe(r).preview()->isVisible());
    QCOMPARE(probe(r).noteList()->View(), 0);
    // Written back as found (a non-zero value reads back as "1").
    QCOMPARE(again.readSetting(QStringLiteral("Toolbar")), QStringLiteral("1"));
    QCOMPARE(again.readSetting(QStringLiteral("StatusBar")), QStringLiteral("0"));
    QCOMPARE(again.readSetting(QStringLiteral("NoteInfo")), QStringLiteral("1"));
}

void tst_LayoutSkins::resizeKeepsTheGeometry()
{
    const int before = probe(*w).layoutPasses();
    w->resize(900, 640);
    QTRY_VERIFY(probe(*w).layoutPasses() > before);
    QTRY_COMPARE(probe(*w).noteList()->geometry(), expected(*w, &LayoutResult::noteList, true, true, true, true));
    QCOMPARE(probe(*w).preview()->geometry(), expected(*w, &LayoutResult::preview, true, true, true, true));
    // The tree keeps its width; only the right-hand column grows.
    QCOMPARE(probe(*w).groupTree()->width(), layout::kTreeWidth);
    QCOMPARE(probe(*w).noteList()->width(), w->centralWidget()->width() - layout::kRightLeft);
}

void tst_LayoutSkins::minimise_data()
{
    QTest::addColumn<int>("minToTray");
    QTest::addColumn<bool>("trayExists");
    QTest::addColumn<bool>("hidden");

    QTest::newRow("nominal: into the tray") << 1 << true << true;
    QTest::newRow("nominal: setting off minimises as usual") << 0 << true << false;
    QTest::newRow("robustness: no tray on this desktop, never hide") << 1 << false << false;
}

void tst_LayoutSkins::minimise()
{
    QFETCH(int, minToTray);
    QFETCH(bool, trayExists);
    QFETCH(bool, hidden);

    h->settings.gMinToTray = qint16(minToTray);
    h->trayAvailable = trayExists;
    w->setWindowState(Qt::WindowMinimized);
    QTRY_COMPARE(bool(w->windowState() & Qt::WindowMinimized), true);
    QCOMPARE(w->isVisible(), !hidden);
    QCOMPARE(probe(*w).tray()->Visible(), hidden);
}

void tst_LayoutSkins::lastWindowState()
{
    w->setWindowState(Qt::WindowMaximized);
    QCOMPARE(probe(*w).lastWindowState(), 2);
    w->setWindowState(Qt::WindowNoState);
    QCOMPARE(probe(*w).lastWindowState(), 0);
    w->setWindowState(Qt::WindowMaximized);
    h->trayAvailable = false;
    w->setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
    QCOMPARE(probe(*w).lastWindowState(), 2); // what the tray restores
}

void tst_LayoutSkins::skins_data()
{
    QTest::addColumn<QList<int>>("sequence");
    QTest::addColumn<bool>("cool"); // the last skin applied is "Cool Blue"

    QTest::newRow("nominal: Cool Blue as started") << QList<int>{} << true;
    QTest::newRow("nominal: Cool Blue") << QList<int>{0} << true;
    QTest::newRow("nominal: Windows 2000") << QList<int>{1} << false;
    QTest::newRow("nominal: back to Cool Blue") << QList<int>{1, 0} << true;
    QTest::newRow("robustness: any other number is Windows 2000") << QList<int>{5} << false;
}

void tst_LayoutSkins::skins()
{
    QFETCH(QList<int>, sequence);
    QFETCH(bool, cool);

    for (int s : sequence)
        w->SetSkin(s);
    QCOMPARE(probe(*w).skin(), sequence.isEmpty() ? 0 : sequence.last());
    for (SkinPane *p : {probe(*w).treeTitle(), probe(*w).listTitle(), probe(*w).previewTitle()})
        QCOMPARE(p->painted(), cool);
    QVERIFY(probe(*w).statusStrip()->painted()); // the strip keeps its texture in both skins
    QCOMPARE(probe(*w).statusStrip()->grip().cacheKey(),
             (cool ? probe(*w).grip(true) : probe(*w).grip(false)).cacheKey());
    const QColor titles = cool ? QColor(Qt::black) : QColor(Qt::white);
    for (QLabel *l : {probe(*w).treeCaption(), probe(*w).groupCaption(), probe(*w).noteCaption()})
        QCOMPARE(textColor(l), titles);
    const QImage texture = probe(*w).texture(cool).toImage();
    QCOMPARE(ModTb::ToolbarTexture().toImage(), texture);
    QCOMPARE(probe(*w).skinBrush().texture().toImage(), texture);
    if (cool)
        QCOMPARE(w->centralWidget()->palette().color(QPalette::Window), QColor(191, 219, 255));
    // What the user sees: a plain grey title pane, or the textured one.
    const QColor grey(0x80, 0x80, 0x80);
    QCOMPARE(centrePixel(probe(*w).listTitle()) == grey, !cool);
    QVERIFY(centrePixel(probe(*w).statusStrip()) != grey);

    // The View menu as shown: a ticked item's check box looks different from an unticked one's.
    w->run(Cmd::ShowStatusBar);
    QVERIFY(!probe(*w).item("mnuStatusbar")->isChecked() && probe(*w).item("mnuToolbar")->isChecked());
    probe(*w).menu("mnuView")->popup(w->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(probe(*w).menu("mnuView")));
    const QImage shown = probe(*w).menu("mnuView")->grab().toImage();
    probe(*w).menu("mnuView")->hide();
    // Dark pixels in the square at the start of the item's row, where its check box is drawn.
    const auto darkInCheckBox = [&](QAction *a) {
        const QRect row = probe(*w).menu("mnuView")->actionGeometry(a);
        int dark = 0;
        for (int y = row.top(); y < row.top() + row.height(); ++y) {
            for (int x = row.left(); x < row.left() + row.height(); ++x)
                dark += shown.pixelColor(x, y).lightness() < 80 ? 1 : 0;
        }
        return dark;
    };
    const int ticked = darkInCheckBox(probe(*w).item("mnuToolbar")),
              unticked = darkInCheckBox(probe(*w).item("mnuStatusbar"));
    QVERIFY2(ticked > unticked + 8, qPrintable(QStringLiteral("%1 %2").arg(ticked).arg(unticked)));
}

void tst_LayoutSkins::iconViewTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("pointSize"); // of the list's font; 0 leaves it
    QTest::newRow("nominal: a short title") << "Budget" << 0;
    QTest::newRow("nominal: a long Chinese title") << "一个相当长的记事标题会换行显示在图标下面" << 0;
    QTest::newRow("robustness: a larger list font") << "alpha plan for the whole year of work" << 16;
}

void tst_LayoutSkins::iconViewTitles()
{
    QFETCH(QString, title);
    QFETCH(int, pointSize);
    h = std::make_unique<MainWindowHarness>();
    const QString book = h->path(QStringLiteral("t.qbf"));
    QCOMPARE(MainWindowHarness::makeNotebook(book, {{QStringLiteral("组"), {{title, QStringLiteral("x")}}}}), QString());
    w = &h->start({book});
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    if (pointSize > 0) {
        QFont f = probe(*w).noteList()->font();
        f.setPointSize(pointSize);
        probe(*w).noteList()->setFont(f);
    }
    w->run(Cmd::IconView);
    // The item under the icon is as wide as its cell and holds two lines of the title.
    QListView *icons = probe(*w).noteList()->iconView();
    const QFontMetrics fm(icons->font());
    QTRY_VERIFY(icons->visualRect(probe(*w).noteList()->model()->index(0, 0)).isValid());
    const QRect item = icons->visualRect(probe(*w).noteList()->model()->index(0, 0));
    QVERIFY2(item.width() >= qMin(fm.horizontalAdvance(title), icons->gridSize().width() - 8), qPrintable(title));
    QVERIFY(item.height() >= icons->iconSize().height() + 2 * fm.height());
}

void tst_LayoutSkins::nothingClipped()
{
    // The search box and its scope get the height their text needs.
    for (QWidget *box : {static_cast<QWidget *>(probe(*w).searchBox()->edit()),
                         static_cast<QWidget *>(probe(*w).searchBox()->scope())})
        QVERIFY2(box->height() >= box->sizeHint().height(), qPrintable(box->objectName()));
    // The list's columns, as listed and as search results: each as wide as its title and texts,
    // all of them inside the list.
    for (const bool results : {false, true}) {
        if (results) {
            NoteIndex::attach(h->db);
            probe(*w).searchBox()->edit()->setText(QStringLiteral("a"));
            w->refreshResults(0);
        }
        QTreeView *report = probe(*w).noteList()->reportView();
        QHeaderView *header = report->header();
        QCOMPARE(header->count(), results ? 5 : 4);
        for (int c = 1; c < header->count(); ++c) {
            int needed = header->sectionSizeHint(c);
            for (int r = 0; r < probe(*w).noteList()->count(); ++r)
                needed = qMax(needed, report->fontMetrics().horizontalAdvance(report->model()->index(r, c).data().toString()));
            QVERIFY2(header->sectionSize(c) >= needed, qPrintable(report->model()->headerData(c, Qt::Horizontal).toString()));
        }
        QVERIFY(header->length() <= report->viewport()->width());
    }
}

void tst_LayoutSkins::noteIconsCutFromTheStrip()
{
    QCOMPARE(probe(*w).iconStrip().size(), QSize(384, 16));
    QCOMPARE(probe(*w).noteIcons().size(), 24);
    for (int i : {0, 11, 23}) {
        const QImage cut = probe(*w).iconStrip().copy(16 * i, 0, 16, 16).toImage();
        QCOMPARE(probe(*w).noteIcons().at(i).pixmap(16, 16).toImage().convertToFormat(cut.format()), cut);
    }
    // Icons differ from each other: a wrong offset would repeat one.
    QVERIFY(probe(*w).noteIcons().at(0).pixmap(16, 16).toImage()
            != probe(*w).noteIcons().at(1).pixmap(16, 16).toImage());
}

QTEST_MAIN(tst_LayoutSkins)
#include "tst_layoutskins.moc"
