// The window as designed: its controls, and its menus and toolbar built from the command table.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "controls/Named.h"
#include "controls/Tray.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SkinPane.h"
#include "settings/Settings.h"
#include "store/DBase.h"

#include <QApplication>
#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTextEdit>
#include <QToolBar>

#include <algorithm>
#include <map>

frmmain::frmmain(AppState &state, Settings &settings, DBase &db, Prompter &prompter, QStringList args,
                 QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_settings(settings)
    , m_db(db)
    , m_prompter(prompter)
{
    // The whole command line is one path: arguments joined by blanks, every double quote removed.
    m_commandLine = args.join(QLatin1Char(' ')).remove(QLatin1Char('"'));

    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Quillbook"));
    popupMenu = [](QMenu *menu, const QPoint &pos) { menu->exec(pos); };

    loadImages();
    createPanes();
    createCommands();

    Tray1 = new Tray(this);
    connect(Tray1, &Tray::MouseDown, this, &frmmain::Tray1_MouseDown);

    // Inner area of 10575 x 6915 twips, centred on the screen.
    resize(705, 461 + menuBar()->sizeHint().height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_layoutReady = true;

    // Esc reaches the window whatever control has the focus.
    qApp->installEventFilter(this);
}

frmmain::~frmmain()
{
    if (qApp)
        qApp->removeEventFilter(this);
    // A program asked to quit (session end) is never sent a close event; the notebook must still
    // get its permissions back.
    Form_Unload();
}

void frmmain::createCommands()
{
    using namespace commands;
    // The pop-ups live outside the bar: they are only ever shown as pop-ups. A bar that is never
    // shown holds them, so the skin reaches them as it reaches the bar's own menus; being hidden,
    // it keeps their shortcuts off.
    m_popupBar = Tools::named<QMenuBar>("popupMenus", this);
    m_popupBar->setNativeMenuBar(false);
    m_popupBar->hide();
    std::map<Menu, QMenu *> menus;
    for (const MenuDef &d : menuDefs()) {
        const QString title = QString::fromUtf8(d.title);
        QMenu *m = nullptr;
        if (d.onBar) {
            m = menuBar()->addMenu(title);
        } else if (d.parent) {
            m = new QMenu(title, menus.at(*d.parent));
        } else {
            m = new QMenu(title, this);
            m_popupBar->addMenu(m);
        }
        m->setObjectName(QString::fromLatin1(d.name));
        this->*d.field = m;
        menus[d.menu] = m;
    }

    for (const ItemRow &r : itemRows()) {
        QMenu *m = menus.at(r.menu);
        QAction *a = r.cmd ? m->addAction(QString::fromUtf8(r.caption)) : m->addSeparator();
        a->setObjectName(QString::fromLatin1(r.name));
        this->*r.field = a;
        if (!r.cmd)
            continue;
        const Cmd cmd = *r.cmd;
        if (r.key != QKeyCombination())
            a->setShortcut(QKeySequence(r.key));
        a->setCheckable(rowOf(cmd).checkable);
        m_actionCommands[a] = cmd;
        m_commandActions.try_emplace(cmd, a);
        connect(a, &QAction::triggered, this, [this, cmd] { runCommand(cmd, true); });
    }
    // A submenu goes before the item it names, else after its parent's own items.
    for (const MenuDef &d : menuDefs()) {
        if (!d.parent)
            continue;
        QMenu *parentMenu = menus.at(*d.parent);
        QAction *before = d.before ? parentMenu->findChild<QAction *>(QString::fromLatin1(d.before)) : nullptr;
        parentMenu->insertMenu(before, menus.at(d.menu));
    }

    Toolbar1 = Tools::named<QToolBar>("Toolbar1", m_client);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    int lastSlot = 0;
    for (const CommandRow &r : commandRows())
        lastSlot = std::max(lastSlot, r.slot);
    for (int slot = 1; slot <= lastSlot; ++slot) {
        const auto rows = commandRows();
        const auto row = std::find_if(rows.begin(), rows.end(), [slot](const CommandRow &r) { return r.slot == slot; });
        if (row == rows.end()) {
            Toolbar1->addSeparator();
            continue;
        }
        const QString tip = QString::fromUtf8(row->tip);
        QAction *b = Toolbar1->addAction(QIcon(QString::fromLatin1(row->image)), tip);
        b->setObjectName(QString::fromLatin1(row->key));
        b->setToolTip(tip);
        m_commandActions[row->cmd] = b;
        m_actionCommands[b] = row->cmd;
    }
    connect(Toolbar1, &QToolBar::actionTriggered, this, &frmmain::Toolbar1_ButtonClick);
    createSearchBox();
    updateCommandStates();
}

namespace {

// Captions sit in a row inside their pane, vertically centred, as wide as the pane allows.
QHBoxLayout *paneRow(QWidget *pane, int left)
{
    auto *row = new QHBoxLayout(pane);
    row->setContentsMargins(left, 0, 14, 0);
    row->setSpacing(0);
    return row;
}

} // namespace

void frmmain::createPanes()
{
    m_client = Tools::named<QWidget>("client", this);
    m_client->setAutoFillBackground(true);
    setCentralWidget(m_client);

    pTitle1 = Tools::named<SkinPane>("pTitle1", m_client);
    lblTitle = Tools::named<QLabel>("lblTitle", pTitle1, QStringLiteral("我的记事本"));
    paneRow(pTitle1, 6)->addWidget(lblTitle, 1);

    tv1 = Tools::named<GroupTree>("tv1", m_client);
    tv1->setImages(tvImg);
    connect(tv1, &GroupTree::mouseDown, this, &frmmain::tv1_MouseDown);
    connect(tv1, &GroupTree::nodeClick, this, &frmmain::tv1_NodeClick);
    connect(tv1, &GroupTree::dblClick, this, &frmmain::tv1_DblClick);
    connect(tv1, &GroupTree::keyDown, this, &frmmain::tv1_KeyDown);

    pTitle2 = Tools::named<SkinPane>("pTitle2", m_client);
    lblGroup = Tools::named<QLabel>("lblGroup", pTitle2);
    paneRow(pTitle2, 6)->addWidget(lblGroup, 1);

    LstV = Tools::named<NoteListView>("LstV", m_client);
    connect(LstV, &NoteListView::mouseDown, this, &frmmain::LstV_MouseDown);
    connect(LstV, &NoteListView::itemClick, this, &frmmain::LstV_ItemClick);
    connect(LstV, &NoteListView::dblClick, this, &frmmain::LstV_DblClick);
    connect(LstV, &NoteListView::keyDown, this, &frmmain::LstV_KeyDown);
    connect(LstV, &NoteListView::columnClick, this, &frmmain::LstV_ColumnClick);

    pTitle3 = Tools::named<SkinPane>("pTitle3", m_client);
    imgInfo = Tools::named<QLabel>("imgInfo", pTitle3);
    imgInfo->setFixedSize(16, 16);
    imgInfo->hide();
    lblNoteTitle = Tools::named<QLabel>("lblNoteTitle", pTitle3);
    // The title starts 23 pixels in whether or not the icon is shown.
    QHBoxLayout *row3 = paneRow(pTitle3, 4);
    row3->addWidget(imgInfo);
    row3->addSpacing(3);
    row3->addWidget(lblNoteTitle, 1);
    QSizePolicy keep = imgInfo->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    imgInfo->setSizePolicy(keep);

    txtNote = Tools::named<QTextEdit>("txtNote", m_client);
    // A preview: nothing typed here could ever be stored, so nothing can be typed.
    txtNote->setReadOnly(true);
    txtNote->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    sBar1 = Tools::named<SkinPane>("sBar1", m_client);
    lblItems = Tools::named<QLabel>("lblItems", sBar1);
    lblItems->setFont(QFont(QStringLiteral("Verdana"), 8));
    paneRow(sBar1, 6)->addWidget(lblItems, 1);

    for (QLabel *l : {lblTitle, lblGroup, lblNoteTitle, lblItems})
        l->setAttribute(Qt::WA_TranslucentBackground);
    acceptFileDrops();
}
