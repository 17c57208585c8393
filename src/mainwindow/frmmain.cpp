// The window as designed: controls, menus and toolbar with their captions, keys and first states.
#include "mainwindow/frmmain.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "controls/Named.h"
#include "controls/Tray.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/SkinPane.h"
#include "settings/Settings.h"
#include "store/DBase.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTextEdit>
#include <QToolBar>

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
    createActions();
    createMenus();
    createPanes();
    createToolbar();

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

QAction *frmmain::addMenuItem(QMenu *menu, QAction *&field, const char *name, const QString &caption,
                              void (frmmain::*handler)())
{
    field = menu->addAction(caption);
    field->setObjectName(QString::fromLatin1(name));
    connect(field, &QAction::triggered, this, handler);
    return field;
}

QAction *frmmain::addSeparator(QMenu *menu, QAction *&field, const char *name)
{
    field = menu->addSeparator();
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

void frmmain::createActions()
{
    // Top-level menus of the bar.
    mnuFile = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuAction = menuBar()->addMenu(QStringLiteral("操作(&A)"));
    mnuAction->setObjectName(QStringLiteral("mnuAction"));
    mnuView = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuTools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));

    // The hidden top-level menus live outside the bar: they are only ever shown as pop-ups, and
    // their shortcuts work only while they are open.
    mnuGroup = Tools::named<QMenu>("mnuGroup", this, QStringLiteral("GroupMenu"));
    mnuNote = Tools::named<QMenu>("mnuNote", this, QStringLiteral("NoteGroup"));
    mnuTray = Tools::named<QMenu>("mnuTray", this, QStringLiteral("Tray"));
    // A bar that is never shown holds them, so the skin reaches them as it reaches the bar's own
    // menus. Being hidden, it keeps their shortcuts off.
    m_popupBar = Tools::named<QMenuBar>("popupMenus", this);
    m_popupBar->setNativeMenuBar(false);
    m_popupBar->hide();
    for (QMenu *m : {mnuGroup, mnuNote, mnuTray})
        m_popupBar->addMenu(m);
}

void frmmain::createMenus()
{
    addMenuItem(mnuFile, mnuNew, "mnuNew", QStringLiteral("新建"), &frmmain::mnuNew_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    addMenuItem(mnuFile, mnuOpen, "mnuOpen", QStringLiteral("打开"), &frmmain::mnuOpen_Click);
    addMenuItem(mnuFile, mnuBackup, "mnuBackup", QStringLiteral("另备份为..."), &frmmain::mnuBackup_Click)
        ->setEnabled(false);
    addSeparator(mnuFile, mnuBlank1, "mnuBlank1");
    addMenuItem(mnuFile, mnuExit, "mnuExit", QStringLiteral("退出"), &frmmain::mnuExit_Click);

    addMenuItem(mnuGroup, mnuNewNote3, "mnuNewNote3", QStringLiteral("新建记事本"), &frmmain::mnuNewNote3_Click);
    addSeparator(mnuGroup, mnuBlank5, "mnuBlank5");
    addMenuItem(mnuGroup, mnuNewGroup, "mnuNewGroup", QStringLiteral("新建组"), &frmmain::mnuNewGroup_Click);
    addMenuItem(mnuGroup, mnuRename, "mnuRename", QStringLiteral("重命名"), &frmmain::mnuRename_Click)
        ->setShortcut(QKeySequence(Qt::Key_F2));
    addMenuItem(mnuGroup, mnuDelete, "mnuDelete", QStringLiteral("删除"), &frmmain::mnuDelete_Click)
        ->setShortcut(QKeySequence(Qt::Key_Delete));

    addMenuItem(mnuNote, mnuEditNote, "mnuEditNote", QStringLiteral("编辑"), &frmmain::mnuEditNote_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    addMenuItem(mnuNote, mnuNewNote, "mnuNewNote", QStringLiteral("新建记事本"), &frmmain::mnuNewNote_Click);
    addMenuItem(mnuNote, mnuDel, "mnuDel", QStringLiteral("删除"), &frmmain::mnuDel_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    addSeparator(mnuNote, mnuBlank2, "mnuBlank2");
    addMenuItem(mnuNote, mnuMove, "mnuMove", QStringLiteral("移动"), &frmmain::mnuMove_Click);

    mnuNotes = mnuAction->addMenu(QStringLiteral("记事本"));
    mnuNotes->setObjectName(QStringLiteral("mnuNotes"));
    addMenuItem(mnuNotes, mnuEdit1, "mnuEdit1", QStringLiteral("编辑"), &frmmain::mnuEdit1_Click)->setEnabled(false);
    addMenuItem(mnuNotes, mnuNewNote1, "mnuNewNote1", QStringLiteral("新建记事本"), &frmmain::mnuNewNote1_Click)
        ->setEnabled(false);
    addMenuItem(mnuNotes, mnuDelete2, "mnuDelete2", QStringLiteral("删除"), &frmmain::mnuDelete2_Click)
        ->setEnabled(false);
    addSeparator(mnuNotes, mnuBlank3, "mnuBlank3");
    addMenuItem(mnuNotes, mnuMove1, "mnuMove1", QStringLiteral("移动"), &frmmain::mnuMove1_Click)->setEnabled(false);
    mnuGroups = mnuAction->addMenu(QStringLiteral("组"));
    mnuGroups->setObjectName(QStringLiteral("mnuGroups"));
    addMenuItem(mnuGroups, mnuNew1, "mnuNew1", QStringLiteral("新建组"), &frmmain::mnuNew1_Click);
    addMenuItem(mnuGroups, mnuRename1, "mnuRename1", QStringLiteral("重命名"), &frmmain::mnuRename1_Click);
    addMenuItem(mnuGroups, mnuDelete1, "mnuDelete1", QStringLiteral("删除"), &frmmain::mnuDelete1_Click);

    addMenuItem(mnuView, mnuMyNotes, "mnuMyNotes", QStringLiteral("我的记事本"), &frmmain::mnuMyNotes_Click)
        ->setCheckable(true);
    addMenuItem(mnuView, mnuToolbar, "mnuToolbar", QStringLiteral("工具栏"), &frmmain::mnuToolbar_Click)
        ->setCheckable(true);
    addMenuItem(mnuView, mnuStatusbar, "mnuStatusbar", QStringLiteral("状态栏"), &frmmain::mnuStatusbar_Click)
        ->setCheckable(true);
    addMenuItem(mnuView, mnuNoteInfo, "mnuNoteInfo", QStringLiteral("记事本信息"), &frmmain::mnuNoteInfo_Click)
        ->setCheckable(true);
    addSeparator(mnuView, mnuBlank7, "mnuBlank7");
    mnuLayout = mnuView->addMenu(QStringLiteral("排列"));
    mnuLayout->setObjectName(QStringLiteral("mnuLayout"));
    addMenuItem(mnuLayout, mnuReport, "mnuReport", QStringLiteral("详细信息"), &frmmain::mnuReport_Click);
    addMenuItem(mnuLayout, mnuIcons, "mnuIcons", QStringLiteral("图标"), &frmmain::mnuIcons_Click);

    addMenuItem(mnuTools, mnuPws, "mnuPws", QStringLiteral("设置数据库密码"), &frmmain::mnuPws_Click);
    addMenuItem(mnuTools, mnuCompact, "mnuCompact", QStringLiteral("修复数据库"), &frmmain::mnuCompact_Click);
    addSeparator(mnuTools, mnuBlank8, "mnuBlank8");
    addMenuItem(mnuTools, mnuOptions, "mnuOptions", QStringLiteral("设置"), &frmmain::mnuOptions_Click);
    addSeparator(mnuTools, mnuBlank9, "mnuBlank9");
    addMenuItem(mnuTools, mnuForum, "mnuForum", QStringLiteral("Quillbook 综合论坛"), &frmmain::mnuForum_Click);

    addMenuItem(mnuTray, mnuRestore, "mnuRestore", QStringLiteral("显示窗口"), &frmmain::mnuRestore_Click);
    addSeparator(mnuTray, mnuBlank4, "mnuBlank4");
    // Shown, unlike the design's hidden item: a tray menu should let the user quit.
    addMenuItem(mnuTray, mnuExit1, "mnuExit1", QStringLiteral("退出"), &frmmain::mnuExit1_Click);
}

void frmmain::createToolbar()
{
    Toolbar1 = Tools::named<QToolBar>("Toolbar1", m_client);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);

    struct ButtonDef
    {
        const char *key;
        const char *tip;
        const char *image;
    };
    static const ButtonDef defs[] = {
        {"NEW", "新建", ":/toolbar/new.png"},
        {"OPEN", "打开", ":/toolbar/open.png"},
        {"BACKUP", "备份数据库", ":/toolbar/backup.png"},
        {nullptr, nullptr, nullptr},
        {"ADD_GROUP", "添加组", ":/toolbar/add_group.png"},
        {"DELETE_GROUP", "删除组", ":/toolbar/delete_group.png"},
        {nullptr, nullptr, nullptr},
        {"ADD_NOTE", "新建记事本", ":/toolbar/add_note.png"},
        {"EDIT_NOTE", "编辑记事本", ":/toolbar/edit_note.png"},
        {"DEL_NOTE", "删除记事本", ":/toolbar/del_note.png"},
    };
    for (const ButtonDef &d : defs) {
        QAction *a = nullptr;
        if (!d.key) {
            a = Toolbar1->addSeparator();
        } else {
            a = Toolbar1->addAction(QIcon(QString::fromLatin1(d.image)), QString::fromUtf8(d.tip));
            a->setObjectName(QString::fromLatin1(d.key));
            a->setToolTip(QString::fromUtf8(d.tip));
        }
        ToolbarButtons.append(a);
    }
    connect(Toolbar1, &QToolBar::actionTriggered, this, &frmmain::Toolbar1_ButtonClick);
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
}

QAction *frmmain::Button(int index) const
{
    if (index < 1 || index > ToolbarButtons.size())
        return nullptr;
    return ToolbarButtons.at(index - 1);
}

void frmmain::EnableButton(int index, bool enabled)
{
    if (QAction *b = Button(index))
        b->setEnabled(enabled);
}

bool frmmain::ButtonEnabled(int index) const
{
    QAction *b = Button(index);
    return b && b->isEnabled();
}
