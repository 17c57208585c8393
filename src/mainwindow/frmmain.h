#pragma once

#include <QBrush>
#include <QFileDevice>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QStringList>
#include <functional>
#include <optional>

struct AppState;
struct Settings;
class DBase;
class Prompter;
class Tray;
class DmDownload;
class GroupTree;
class NoteListView;
class SkinPane;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTextEdit;
class QToolBar;
class QWidget;

// The main window. One class in several files, one per concern:
//   frmmain.cpp               controls, menus, toolbar (the window as designed)
//   frmmain_lifecycle.cpp     start-up, first activation, quick exit, shutdown
//   frmmain_tree.cpp          group tree
//   frmmain_list.cpp          note list and preview
//   frmmain_layout.cpp        pane geometry, show/hide, tray on minimise
//   frmmain_skins.cpp         skins and note icons
//   frmmain_commands.cpp      toolbar dispatcher, group and note commands
//   frmmain_filecommands.cpp  new, open, back up, compact
//   frmmain_viewcommands.cpp  view switches, tray, options, password, forum, exit
//
// Controls and window state are public: other windows (options, move) and the tests read them,
// as the form's design intends.
class frmmain : public QMainWindow
{
    Q_OBJECT

public:
    frmmain(AppState &state, Settings &settings, DBase &db, Prompter &prompter, QStringList args,
            QWidget *parent = nullptr);
    ~frmmain() override;

    // Start-up steps after construction, so tests can script the Prompter first. Returns false
    // when the program must end at once (another instance runs).
    bool Form_Load();
    void Form_Initialize();
    void Form_Activate();
    void Form_KeyUp(int keyCode, Qt::KeyboardModifiers shift);
    void Form_Unload();

    // Replaces the single-instance test (tests run many windows in one process).
    void setInstanceCheck(std::function<bool()> check) { m_isPrevInstance = std::move(check); }
    // Called once the first activation has run (the start-up benchmark quits there).
    void setAfterFirstActivate(std::function<void()> hook) { m_afterFirstActivate = std::move(hook); }

    // ---- shared helpers of the window ----
    // Runs toolbar button `index` (1-based; 4 and 7 are separators) as if it were clicked,
    // whatever its enabled state.
    void ClickToolbarButton(int index);
    // Open (isOpen) or save file chooser; `filter` as "数据库文件(*.qbf)|*.qbf|". nullopt = cancelled.
    std::optional<QString> AskFileName(bool isOpen, const QString &title, const QString &filter);

    // ---- group tree ----
    void SelectNode(int index);
    bool GroupNameExists(const QString &name) const;
    void SetNodeColor(qint32 color); // 0x00BBGGRR

    // ---- note list ----
    void SelectItem(int index);
    // Selects the item of the note with this ID wherever the list shows it; false when absent.
    bool SelectNote(qint64 noteId);

    // ---- layout ----
    void Form_Resize();
    void sBar1_Resize();
    void ShowToolbar(bool visible);
    void ShowStatusBar(bool visible);
    void ShowNotesBar(bool visible);
    void ShowNoteInfo(bool visible);

    // ---- skins ----
    void SetSkin(int skin);
    void SetIcons();

    // ---- enabled states ----
    QAction *Button(int index) const; // nullptr out of range
    void EnableButton(int index, bool enabled);
    bool ButtonEnabled(int index) const;

    // While a backup or a compaction runs, its progress loop still delivers timers and tray
    // clicks; every command that could start meanwhile refuses.
    bool busy() const { return m_busy; }

    // The window's own services, for the command files and the tests.
    AppState &state() const { return m_state; }
    Settings &settings() const { return m_settings; }
    DBase &db() const { return m_db; }
    Prompter &prompter() const { return m_prompter; }

public Q_SLOTS:
    // ---- toolbar dispatcher and menu handlers ----
    void Toolbar1_ButtonClick(QAction *button);

    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuBackup_Click();
    void mnuExit_Click();

    void mnuNewNote3_Click();
    void mnuNewGroup_Click();
    void mnuRename_Click();
    void mnuDelete_Click();

    void mnuEditNote_Click();
    void mnuNewNote_Click();
    void mnuDel_Click();
    void mnuMove_Click();

    void mnuEdit1_Click();
    void mnuNewNote1_Click();
    void mnuDelete2_Click();
    void mnuMove1_Click();
    void mnuNew1_Click();
    void mnuRename1_Click();
    void mnuDelete1_Click();

    void mnuMyNotes_Click();
    void mnuToolbar_Click();
    void mnuStatusbar_Click();
    void mnuNoteInfo_Click();
    void mnuReport_Click();
    void mnuIcons_Click();

    void mnuPws_Click();
    void mnuCompact_Click();
    void mnuOptions_Click();
    void mnuForum_Click();

    void mnuRestore_Click();
    void mnuExit1_Click();
    void Tray1_MouseDown(int button);

    // ---- tree and list events ----
    void tv1_MouseDown(int button, const QPoint &globalPos);
    void tv1_NodeClick(int index);
    void tv1_DblClick();
    void tv1_KeyDown(int keyCode, Qt::KeyboardModifiers shift);

    void LstV_MouseDown(int button, const QPoint &globalPos, bool onItem);
    void LstV_ItemClick(int index);
    void LstV_DblClick();
    void LstV_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void LstV_ColumnClick(int column);

public:
    // ---- controls ----
    QToolBar *Toolbar1 = nullptr;
    SkinPane *pTitle1 = nullptr;
    QLabel *lblTitle = nullptr;
    GroupTree *tv1 = nullptr;
    SkinPane *pTitle2 = nullptr;
    QLabel *lblGroup = nullptr;
    NoteListView *LstV = nullptr;
    SkinPane *pTitle3 = nullptr;
    QLabel *imgInfo = nullptr;
    QLabel *lblNoteTitle = nullptr;
    QTextEdit *txtNote = nullptr;
    SkinPane *sBar1 = nullptr;
    QLabel *lblItems = nullptr;
    Tray *Tray1 = nullptr;
    DmDownload *DmDownload1 = nullptr; // carried, never used

    // Images of the design.
    QPixmap pGrip1, pGrip2;
    QPixmap imgTexture1, imgTexture2, imgMenu;
    QPixmap pIcons;          // 384 x 16 strip of 24 note icons
    QList<QIcon> LstIcons;   // the note icons, image n = LstIcons[n - 1]
    QList<QIcon> tvImg;      // tree node images 1..3
    QList<QPixmap> ImageList2; // header sort images: ascending, descending

    // Toolbar buttons by index 1..10 (4 and 7 are separators); object names are their keys.
    QList<QAction *> ToolbarButtons;

    // ---- menus (object names as the fields) ----
    QMenu *mnuFile = nullptr;
    QAction *mnuNew = nullptr, *mnuOpen = nullptr, *mnuBackup = nullptr, *mnuBlank1 = nullptr,
            *mnuExit = nullptr;
    QMenu *mnuGroup = nullptr;
    QAction *mnuNewNote3 = nullptr, *mnuBlank5 = nullptr, *mnuNewGroup = nullptr, *mnuRename = nullptr,
            *mnuDelete = nullptr;
    QMenu *mnuNote = nullptr;
    QAction *mnuEditNote = nullptr, *mnuNewNote = nullptr, *mnuDel = nullptr, *mnuBlank2 = nullptr,
            *mnuMove = nullptr;
    QMenu *mnuAction = nullptr;
    QMenu *mnuNotes = nullptr;
    QAction *mnuEdit1 = nullptr, *mnuNewNote1 = nullptr, *mnuDelete2 = nullptr, *mnuBlank3 = nullptr,
            *mnuMove1 = nullptr;
    QMenu *mnuGroups = nullptr;
    QAction *mnuNew1 = nullptr, *mnuRename1 = nullptr, *mnuDelete1 = nullptr;
    QMenu *mnuView = nullptr;
    QAction *mnuMyNotes = nullptr, *mnuToolbar = nullptr, *mnuStatusbar = nullptr, *mnuNoteInfo = nullptr,
            *mnuBlank7 = nullptr;
    QMenu *mnuLayout = nullptr;
    QAction *mnuReport = nullptr, *mnuIcons = nullptr;
    QMenu *mnuTools = nullptr;
    QAction *mnuPws = nullptr, *mnuCompact = nullptr, *mnuBlank8 = nullptr, *mnuOptions = nullptr,
            *mnuBlank9 = nullptr, *mnuForum = nullptr;
    QMenu *mnuTray = nullptr;
    QAction *mnuRestore = nullptr, *mnuBlank4 = nullptr, *mnuExit1 = nullptr;

    // ---- window state ----
    qint64 CurrentGroupId = 0;
    qint64 CurrentNoteId = 0;
    int CurrentNodeIndex = 0;
    int CurrentItemIndex = 0;
    int LastWindowState = 0; // 0 normal, 2 maximised
    bool FirstActivatePending = false;
    int TreeMouseButton = 0; // 1 left, 2 right
    int ListMouseButton = 0;
    // Permissions of the notebook as found at start-up, given back at exit.
    std::optional<QFileDevice::Permissions> DbFileAttributes;
    qint16 SortToggle = 0; // 0 / -1, shared by every column

    // ---- skin state ----
    int CurrentSkin = 0;
    QBrush SkinBrush;
    QBrush MenuBrush;

    // Where pop-up menus appear; tests replace it to record instead of blocking.
    std::function<void(QMenu *, const QPoint &)> popupMenu;
    QPoint lastMousePos;

    // Layout passes so far (tests look at it).
    int layoutPasses = 0;
    // Whether the window may hide into the tray; tests replace the platform's answer.
    std::function<bool()> trayAvailable;

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    // Construction, in frmmain.cpp (the images in frmmain_skins.cpp).
    void createActions();
    void createMenus();
    void createToolbar();
    void createPanes();
    void loadImages();
    QAction *addMenuItem(QMenu *menu, QAction *&field, const char *name, const QString &caption,
                         void (frmmain::*handler)());
    QAction *addSeparator(QMenu *menu, QAction *&field, const char *name);

    // Start-up helpers, in frmmain_lifecycle.cpp.
    void openStartupDatabase();
    void openFoundDatabase(const QString &path);
    void loadGroupsChecked();
    void restoreViewOption(QAction *item, qint16 stored, void (frmmain::*handler)());

    // Tree and list helpers.
    void clearPreview();
    void showPopup(QMenu *menu);
    // Refills the list with the notes of a group (-1: of every group).
    void loadNotes(qint64 groupId);
    // A notebook that opened but cannot be read: say so and continue as after a failed open.
    void reportUnreadable();
    void applyFontString(const QString &fontString, QWidget *control, bool isTree);
    // Runs long notebook work with its progress (cmd::runWithProgress), the window busy meanwhile.
    int runLongWork(const QString &label, const std::function<int()> &work);
    bool refuseWhileBusy() const { return m_busy; }
    // Where the file choosers start: the open notebook's folder, else the user's home.
    QString fileFolder() const;

    AppState &m_state;
    Settings &m_settings;
    DBase &m_db;
    Prompter &m_prompter;
    QString m_commandLine;
    std::function<bool()> m_isPrevInstance;
    std::function<void()> m_afterFirstActivate;
    bool m_unloaded = false;
    bool m_busy = false;
    bool m_escPressedHere = false; // the last press of Esc came to this window, nothing over it
    QString m_attributesPath; // the file whose permissions start-up changed
    bool m_layoutReady = false;
    // The four pane switches as last set (the widgets' own visibility also depends on the window).
    bool m_toolbarShown = true, m_statusShown = true, m_notesShown = true, m_infoShown = true;
    QWidget *m_client = nullptr; // the area the panes are laid out in
    QMenuBar *m_popupBar = nullptr; // hidden holder of the pop-up menus
};
