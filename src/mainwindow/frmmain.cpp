// The window as designed: its controls, and its menus and toolbar built from the command table.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "controls/Named.h"
#include "controls/Tray.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/SkinPane.h"
#include "settings/Settings.h"
#include "store/Notebook.h"

#include <QApplication>
#include <QAction>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>
#include <initializer_list>
#include <map>

frmmain::frmmain(AppState &state, Settings &settings, Notebook &db, Prompter &prompter, QStringList args,
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
    m_popupMenu = [](QMenu *menu, const QPoint &pos) { menu->exec(pos); };

    loadImages();
    createPanes();
    followNotebook();
    followSync();
    createCommands();
    followFacts();

    m_tray = new Tray(this);
    connect(m_tray, &Tray::MouseDown, this, &frmmain::onTrayMouseDown);

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
    // The panes go after this object's own members: what they announce on the way must not reach it.
    for (const QObject *sender : std::initializer_list<const QObject *>{
             m_noteList->model(), m_noteList->reportView()->selectionModel(), m_notebook})
        disconnect(sender, nullptr, this, nullptr);
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
    for (const MenuDef &d : menuDefs()) {
        const QString title = QString::fromUtf8(d.title);
        QMenu *m = nullptr;
        if (d.onBar) {
            m = menuBar()->addMenu(title);
        } else if (d.parent) {
            m = new QMenu(title, m_menus.at(*d.parent));
        } else {
            m = new QMenu(title, this);
            m_popupBar->addMenu(m);
        }
        m->setObjectName(QString::fromLatin1(d.name));
        m_menus[d.menu] = m;
    }

    for (const ItemRow &r : itemRows()) {
        QMenu *m = m_menus.at(r.menu);
        if (!r.cmd) {
            m->addSeparator();
            continue;
        }
        QAction *a = m->addAction(QString::fromUtf8(r.caption));
        a->setObjectName(QString::fromLatin1(r.name));
        m_enabledWhen.emplace_back(r.when, a);
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
        QMenu *parentMenu = m_menus.at(*d.parent);
        QAction *before = d.before ? parentMenu->findChild<QAction *>(QString::fromLatin1(d.before)) : nullptr;
        parentMenu->insertMenu(before, m_menus.at(d.menu));
    }

    m_toolbar = Tools::named<QToolBar>("toolbar", m_client);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(16, 16));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    int lastSlot = 0;
    for (const CommandRow &r : commandRows())
        lastSlot = std::max(lastSlot, r.slot);
    for (int slot = 1; slot <= lastSlot; ++slot) {
        const auto rows = commandRows();
        const auto row = std::find_if(rows.begin(), rows.end(), [slot](const CommandRow &r) { return r.slot == slot; });
        if (row == rows.end()) {
            m_toolbar->addSeparator();
            continue;
        }
        const QString tip = QString::fromUtf8(row->tip);
        QAction *b = m_toolbar->addAction(QIcon(QString::fromLatin1(row->image)), tip);
        b->setObjectName(QString::fromLatin1(row->key));
        b->setToolTip(tip);
        m_commandActions[row->cmd] = b;
        m_actionCommands[b] = row->cmd;
        m_enabledWhen.emplace_back(row->buttonWhen, b);
    }
    connect(m_toolbar, &QToolBar::actionTriggered, this, &frmmain::onToolbarClick);
    createSearchBox();
    updateCommandStates();
}

void frmmain::followFacts()
{
    // The enabled states follow every change of the facts they read: what is selected, what the
    // list holds, and the notebook's state (followNotebook).
    const auto update = [this] { updateCommandStates(); };
    connect(this, &frmmain::selectionChanged, this, update);
    const QAbstractItemModel *notes = m_noteList->model();
    connect(notes, &QAbstractItemModel::modelReset, this, update);
    connect(notes, &QAbstractItemModel::layoutChanged, this, update);
    connect(notes, &QAbstractItemModel::rowsInserted, this, update);
    connect(m_noteList->reportView()->selectionModel(), &QItemSelectionModel::currentChanged, this, update);
    // The tree is only ever refilled as a notebook opens or closes (announced below) or before a
    // node is selected again (selectionChanged).
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

    m_treeTitle = Tools::named<SkinPane>("treeTitle", m_client);
    m_treeCaption = Tools::named<QLabel>("treeCaption", m_treeTitle, QStringLiteral("我的记事本"));
    paneRow(m_treeTitle, 6)->addWidget(m_treeCaption, 1);

    m_groupTree = Tools::named<GroupTree>("groupTree", m_client);
    m_groupTree->setImages(m_nodeImages);
    connect(m_groupTree, &GroupTree::mouseDown, this, &frmmain::onTreeMouseDown);
    connect(m_groupTree, &GroupTree::nodeClick, this, &frmmain::onTreeNodeClick);
    connect(m_groupTree, &GroupTree::dblClick, this, &frmmain::onTreeDblClick);
    connect(m_groupTree, &GroupTree::keyDown, this, &frmmain::onTreeKeyDown);

    m_listTitle = Tools::named<SkinPane>("listTitle", m_client);
    m_groupCaption = Tools::named<QLabel>("groupCaption", m_listTitle);
    paneRow(m_listTitle, 6)->addWidget(m_groupCaption, 1);

    m_noteList = Tools::named<NoteListView>("noteList", m_client);
    connect(m_noteList, &NoteListView::mouseDown, this, &frmmain::onListMouseDown);
    connect(m_noteList, &NoteListView::itemClick, this, &frmmain::onListItemClick);
    connect(m_noteList, &NoteListView::dblClick, this, &frmmain::onListDblClick);
    connect(m_noteList, &NoteListView::keyDown, this, &frmmain::onListKeyDown);
    connect(m_noteList, &NoteListView::columnClick, this, &frmmain::onListColumnClick);

    m_previewTitle = Tools::named<SkinPane>("previewTitle", m_client);
    m_noteIcon = Tools::named<QLabel>("noteIcon", m_previewTitle);
    m_noteIcon->setFixedSize(16, 16);
    m_noteIcon->hide();
    m_noteCaption = Tools::named<QLabel>("noteCaption", m_previewTitle);
    // The title starts 23 pixels in whether or not the icon is shown.
    QHBoxLayout *row3 = paneRow(m_previewTitle, 4);
    row3->addWidget(m_noteIcon);
    row3->addSpacing(3);
    row3->addWidget(m_noteCaption, 1);
    QSizePolicy keep = m_noteIcon->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_noteIcon->setSizePolicy(keep);

    m_preview = Tools::named<QTextEdit>("preview", m_client);
    // A preview: nothing typed here could ever be stored, so nothing can be typed.
    m_preview->setReadOnly(true);
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    m_statusStrip = Tools::named<SkinPane>("statusStrip", m_client);
    m_noteCount = Tools::named<QLabel>("noteCount", m_statusStrip);
    m_noteCount->setFont(QFont(QStringLiteral("Verdana"), 8));
    paneRow(m_statusStrip, 6)->addWidget(m_noteCount, 1);

    for (QLabel *l : {m_treeCaption, m_groupCaption, m_noteCaption, m_noteCount})
        l->setAttribute(Qt::WA_TranslucentBackground);
    acceptFileDrops();
}
