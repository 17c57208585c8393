// Pane switches through the View menu, their settings, minimising to the tray, and the skins.
#include "MainWindowHarness.h"

#include "controls/ModTb.h"
#include "controls/Tray.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/Layout.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SkinPane.h"

#include <QAction>
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

        const bool tb = w->mnuToolbar->isChecked(), sb = w->mnuStatusbar->isChecked(),
                   nb = w->mnuMyNotes->isChecked(), ni = w->mnuNoteInfo->isChecked();
        QCOMPARE(w->Toolbar1->isVisible(), tb);
        QCOMPARE(w->sBar1->isVisible(), sb);
        QCOMPARE(w->tv1->isVisible(), nb);
        QCOMPARE(w->pTitle1->isVisible(), nb);
        QCOMPARE(w->txtNote->isVisible(), ni);
        QCOMPARE(w->pTitle3->isVisible(), ni);
        QCOMPARE(w->LstV->geometry(), expected(*w, &LayoutResult::LstV, tb, sb, nb, ni));
        QCOMPARE(w->pTitle2->geometry(), expected(*w, &LayoutResult::pTitle2, tb, sb, nb, ni));
        if (nb)
            QCOMPARE(w->tv1->geometry(), expected(*w, &LayoutResult::tv1, tb, sb, nb, ni));
        if (ni)
            QCOMPARE(w->txtNote->geometry(), expected(*w, &LayoutResult::txtNote, tb, sb, nb, ni));
        if (sb)
            QCOMPARE(w->sBar1->geometry(), expected(*w, &LayoutResult::sBar1, tb, sb, nb, ni));
    }
    // Hidden panes leave room that the others take: the list then starts at the window's edge,
    // reaches the bottom, or takes the preview's height.
    a->trigger();
    const int bottom = w->centralWidget()->height();
    if (key == "NotesBar")
        QCOMPARE(w->LstV->x(), 1);
    if (key == "NoteInfo")
        QCOMPARE(w->LstV->height(), w->tv1->height());
    if (key == "StatusBar")
        QCOMPARE(w->tv1->geometry().bottom() + 1, bottom);
    if (key == "Toolbar")
        QCOMPARE(w->pTitle1->y(), 0);
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
    QVERIFY(!r.mnuToolbar->isChecked());
    QVERIFY(!r.mnuMyNotes->isChecked());
    QVERIFY(r.mnuStatusbar->isChecked());
    QVERIFY(!r.mnuNoteInfo->isChecked());
    QVERIFY(!r.Toolbar1->isVisible());
    QVERIFY(!r.tv1->isVisible());
    QVERIFY(r.sBar1->isVisible());
    QVERIFY(!r.txtNote->isVisible());
    QCOMPARE(r.LstV->View(), 0);
    // Written back as found (a non-zero value reads back as "1").
    QCOMPARE(again.readSetting(QStringLiteral("Toolbar")), QStringLiteral("1"));
    QCOMPARE(again.readSetting(QStringLiteral("StatusBar")), QStringLiteral("0"));
    QCOMPARE(again.readSetting(QStringLiteral("NoteInfo")), QStringLiteral("1"));
}

void tst_LayoutSkins::resizeKeepsTheGeometry()
{
    const int before = w->layoutPasses;
    w->resize(900, 640);
    QTRY_VERIFY(w->layoutPasses > before);
    QTRY_COMPARE(w->LstV->geometry(), expected(*w, &LayoutResult::LstV, true, true, true, true));
    QCOMPARE(w->txtNote->geometry(), expected(*w, &LayoutResult::txtNote, true, true, true, true));
    // The tree keeps its width; only the right-hand column grows.
    QCOMPARE(w->tv1->width(), layout::kTreeWidth);
    QCOMPARE(w->LstV->width(), w->centralWidget()->width() - layout::kRightLeft);
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
    QCOMPARE(w->Tray1->Visible(), hidden);
}

void tst_LayoutSkins::lastWindowState()
{
    w->setWindowState(Qt::WindowMaximized);
    QCOMPARE(w->LastWindowState, 2);
    w->setWindowState(Qt::WindowNoState);
    QCOMPARE(w->LastWindowState, 0);
    w->setWindowState(Qt::WindowMaximized);
    h->trayAvailable = false;
    w->setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
    QCOMPARE(w->LastWindowState, 2); // what the tray restores
}

void tst_LayoutSkins::skins_data()
{
    QTest::addColumn<QList<int>>("sequence");
    QTest::addColumn<bool>("cool"); // the last skin applied is "Cool Blue"

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
    QCOMPARE(w->CurrentSkin, sequence.last());
    for (SkinPane *p : {w->pTitle1, w->pTitle2, w->pTitle3})
        QCOMPARE(p->painted(), cool);
    QVERIFY(w->sBar1->painted()); // the strip keeps its texture in both skins
    QCOMPARE(w->sBar1->grip().cacheKey(), (cool ? w->pGrip1 : w->pGrip2).cacheKey());
    const QColor titles = cool ? QColor(Qt::black) : QColor(Qt::white);
    for (QLabel *l : {w->lblTitle, w->lblGroup, w->lblNoteTitle})
        QCOMPARE(textColor(l), titles);
    const QImage texture = (cool ? w->imgTexture1 : w->imgTexture2).toImage();
    QCOMPARE(ModTb::ToolbarTexture().toImage(), texture);
    QCOMPARE(w->SkinBrush.texture().toImage(), texture);
    if (cool)
        QCOMPARE(w->centralWidget()->palette().color(QPalette::Window), QColor(191, 219, 255));
    // What the user sees: a plain grey title pane, or the textured one.
    const QColor grey(0x80, 0x80, 0x80);
    QCOMPARE(centrePixel(w->pTitle2) == grey, !cool);
    QVERIFY(centrePixel(w->sBar1) != grey);
}

void tst_LayoutSkins::noteIconsCutFromTheStrip()
{
    QCOMPARE(w->pIcons.size(), QSize(384, 16));
    QCOMPARE(w->LstIcons.size(), 24);
    for (int i : {0, 11, 23}) {
        const QImage cut = w->pIcons.copy(16 * i, 0, 16, 16).toImage();
        QCOMPARE(w->LstIcons.at(i).pixmap(16, 16).toImage().convertToFormat(cut.format()), cut);
    }
    // Icons differ from each other: a wrong offset would repeat one.
    QVERIFY(w->LstIcons.at(0).pixmap(16, 16).toImage() != w->LstIcons.at(1).pixmap(16, 16).toImage());
}

QTEST_MAIN(tst_LayoutSkins)
#include "tst_layoutskins.moc"
