#pragma once

#include <QBrush>
#include <QDateTime>
#include <QFileDevice>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>

#include "mainwindow/Commands.h"

struct AppState;
struct Settings;
class Notebook;
struct SearchResult;
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
class QTimer;
class BackupRunner;
class NotebookWorker;
class SearchBox;
class LockedNotice;
namespace exchange {
struct ExportScope;
}

// The main window. One class in several files, one per concern:
//   frmmain.cpp               controls, and the menus and toolbar built from the command table
//   CommandTable.cpp          every command: its menu items, toolbar button and enabled state
//   frmmain_lifecycle.cpp     start-up, first activation, quick exit, shutdown
//   frmmain_tree.cpp          group tree
//   frmmain_list.cpp          note list and preview
//   frmmain_layout.cpp        pane geometry, show/hide, tray on minimise
//   frmmain_skins.cpp         skins and note icons
//   frmmain_commands.cpp      running commands, enabled states, group and note commands
//   frmmain_filecommands.cpp  new, open, back up, compact
//   frmmain_viewcommands.cpp  view switches, tray, options, password, forum, exit
//   frmmain_keeping.cpp       note history, recently deleted notes, automatic copies
//   frmmain_search.cpp        the search box, its results and the search index's build
//   frmmain_exchange.cpp      export, print, import, files dropped on the tree or the list
//
// Controls and window state are public: other windows (options, move) and the tests read them,
// as the form's design intends.
class frmmain : public QMainWindow
{
    Q_OBJECT

public:
    frmmain(AppState &state, Settings &settings, Notebook &db, Prompter &prompter, QStringList args,
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

    // ---- commands ----
    // Runs a command as if its menu item were chosen, whatever its enabled state (a view switch
    // flips its tick). Refused while a backup or a compaction runs.
    void run(Cmd cmd);
    // The command's toolbar button, or its first menu item when it has none.
    QAction *action(Cmd cmd) const;
    // Sets every item's and button's enabled state from the facts they follow.
    void updateCommandStates();

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

    // After a refused write: when another notebook now stands at the open one's path, says so
    // and offers to open it in its place.
    void offerReplacedNotebook();

    // ---- search ----
    void focusSearch();
    // True while the list shows the results of the search box's query.
    bool showingResults() const { return m_showingResults; }
    // Runs the box's query and shows its results, selecting noteId when it is among them (after a
    // note command, the note it acted on).
    void refreshResults(qint64 noteId);
    // ---- export, print, import ----
    // Asks where and as what (a file for a note, a folder for a group or the notebook), then
    // exports with progress and says what was written. title names the scope.
    void exportScope(const exchange::ExportScope &scope, const QString &title);
    void printScope(const exchange::ExportScope &scope);
    // Imports files and folders into the group of the tree node, then lists that group.
    void importInto(int nodeIndex, const QStringList &paths);

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

    // While a backup or a compaction runs, its progress loop still delivers timers and tray
    // clicks; every command that could start meanwhile refuses.
    bool busy() const { return m_busy; }

    // The window's own services, for the command files and the tests.
    AppState &state() const { return m_state; }
    Settings &settings() const { return m_settings; }
    Notebook &db() const { return m_db; }
    // The window's notebook: the one open, or the one locked or that failed to open.
    QString notebookPath() const { return m_notebookPath; }
    Prompter &prompter() const { return m_prompter; }

public Q_SLOTS:
    // Runs the command of a toolbar button.
    void Toolbar1_ButtonClick(QAction *button);

    // ---- the commands' own handlers (the group and note commands are in CommandTable.h) ----
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuBackup_Click();
    void mnuExit_Click();
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
    void mnuHistory_Click();
    void mnuDeleted_Click();
    void mnuFromBackup_Click();
    void mnuUnlock_Click();
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
    // Where the file choosers start: the open notebook's folder, else the user's home.
    QString fileFolder() const;
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
    SearchBox *searchBox = nullptr;
    Tray *Tray1 = nullptr;
    DmDownload *DmDownload1 = nullptr; // carried, never used

    // Images of the design.
    QPixmap pGrip1, pGrip2;
    QPixmap imgTexture1, imgTexture2, imgMenu;
    QPixmap pIcons;          // 384 x 16 strip of 24 note icons
    QList<QIcon> LstIcons;   // the note icons, image n = LstIcons[n - 1]
    QList<QIcon> tvImg;      // tree node images 1..3
    QList<QPixmap> ImageList2; // header sort images: ascending, descending

    // ---- menus (object names as the fields) ----
    QMenu *mnuFile = nullptr;
    QAction *mnuNew = nullptr, *mnuOpen = nullptr, *mnuUnlock = nullptr, *mnuBackup = nullptr, *mnuFromBackup = nullptr,
            *mnuBlank10 = nullptr, *mnuPrint = nullptr, *mnuBlank1 = nullptr, *mnuExit = nullptr;
    QMenu *mnuImport = nullptr;
    QAction *mnuImportFiles = nullptr, *mnuImportFolder = nullptr;
    QMenu *mnuExport = nullptr;
    QAction *mnuExportNote = nullptr, *mnuExportGroup = nullptr, *mnuExportBook = nullptr;
    QMenu *mnuGroup = nullptr;
    QAction *mnuNewNote3 = nullptr, *mnuBlank5 = nullptr, *mnuNewGroup = nullptr, *mnuRename = nullptr,
            *mnuDelete = nullptr, *mnuBlank11 = nullptr, *mnuExportGroup1 = nullptr, *mnuPrintGroup = nullptr;
    QMenu *mnuNote = nullptr;
    QAction *mnuEditNote = nullptr, *mnuNewNote = nullptr, *mnuDel = nullptr, *mnuBlank2 = nullptr,
            *mnuMove = nullptr, *mnuHistory = nullptr, *mnuBlank12 = nullptr, *mnuExportNote1 = nullptr;
    QMenu *mnuAction = nullptr;
    QMenu *mnuNotes = nullptr;
    QAction *mnuEdit1 = nullptr, *mnuNewNote1 = nullptr, *mnuDelete2 = nullptr, *mnuBlank3 = nullptr,
            *mnuMove1 = nullptr, *mnuHistory1 = nullptr, *mnuDeleted = nullptr, *mnuFind = nullptr;
    QMenu *mnuGroups = nullptr;
    QAction *mnuNew1 = nullptr, *mnuRename1 = nullptr, *mnuDelete1 = nullptr, *mnuPrintGroup1 = nullptr;
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
    void createCommands();
    void createPanes();
    void loadImages();

    // Opening a notebook, in frmmain_opening.cpp.
    // Declined: a conversion or an older copy refused by the user, or a conversion that failed.
    enum class OpenOutcome { Opened, Locked, Declined, Unreadable };
    // Opens path (an old notebook converted first, when the user agrees) in place of the open
    // one, asks for its password, and fills the tree. Whatever does not end Opened leaves no
    // notebook open; Unreadable has not been told to the user yet, the others have.
    OpenOutcome openNotebook(const QString &path, bool atStartUp);
    // Opens a notebook the user chose, back to the one shown before when that fails.
    void openChosen(const QString &path);
    void openStartupDatabase();
    void makeWritableForSession(const QString &path);
    // After the prompt accepted a password of the old kind: offers to encrypt the notebook.
    void offerEncryption();
    // The password the prompt or the change dialog passed on, gone once it has been used.
    void forgetTypedPassword();
    void selectFirstNote();
    // Empties the tree, the list, the captions and the preview.
    void clearPanes();
    // The notebook named but left locked, its password prompt cancelled.
    bool notebookLocked() const;
    // Shows or hides the word over the list that the notebook is locked.
    void showLockedNotice();

    void restoreViewOption(Cmd cmd, qint16 stored);

    // After a password was set or changed: copies made before still open without it, so the
    // user may have them put under the new one, or deleted (frmmain_keeping.cpp).
    void offerToProtectOlderCopies(const QString &oldPassword, const QString &newPassword);
    // Automatic copies, in frmmain_keeping.cpp: one a day while running and one at exit.
    void startBackupTimer();
    void backupIfDue();
    void backupAtExit();
    // Makes the chosen automatic copy the notebook, the current one kept as a copy first.
    void restoreFrom(const QString &copy);
    // Refills the tree and the list and shows the note with this ID again when it is listed.
    void reloadPanes(qint64 noteId);

    // Tree and list helpers.
    void clearPreview();
    void showPopup(QMenu *menu);
    // Refills the list with the notes of a group (-1: of every group).
    void loadNotes(qint64 groupId);
    void applyFontString(const QString &fontString, QWidget *control, bool isTree);
    // Runs long notebook work with its progress (cmd::runWithProgress), the window busy meanwhile.
    int runLongWork(const QString &label, const std::function<int()> &work);
    // Runs work that shows its own progress, the window busy meanwhile.
    void whileBusy(const std::function<void()> &work);
    // Files dropped on the tree or the list are imported (frmmain_exchange.cpp).
    void acceptFileDrops();
    bool refuseWhileBusy() const { return m_busy; }
    // Runs a command; an item chosen in a menu has already flipped its own tick.
    void runCommand(Cmd cmd, bool tickFlipped);
    bool groupSelected() const;

    // Search, in frmmain_search.cpp.
    void createSearchBox();
    void runSearch();
    void fillResults(const SearchResult &result, const QString &error, qint64 noteId);
    // Back from the results to the group selected before.
    void endSearch();
    void leaveResults();
    // Marks every hit of the query in the preview.
    void markHits();
    // A notebook whose index lags far behind is indexed by a worker while the window is used.
    void startIndexBuild();
    // Stops the index's build and a search in flight (stopIndexWork), and the check for damage;
    // startWorkers starts both again after the file was opened, copied or rewritten.
    void stopWorkers();
    void startWorkers();
    void stopIndexWork();
    // After a notebook opened, a worker reads every page of it; damage found is said at once,
    // with the offer of an automatic copy, and writes to the file are refused (frmmain_integrity.cpp).
    void startIntegrityCheck();
    void damageFound(const QString &findings);

    AppState &m_state;
    Settings &m_settings;
    Notebook &m_db;
    Prompter &m_prompter;
    QString m_commandLine;
    std::function<bool()> m_isPrevInstance;
    std::function<void()> m_afterFirstActivate;
    bool m_unloaded = false;
    bool m_busy = false;
    // Facts of the enabled states that the controls do not hold themselves.
    bool m_noteChosen = false;
    std::map<Cmd, QAction *> m_commandActions; // each command's button, else its first item
    std::map<QAction *, Cmd> m_actionCommands; // every item and button back to its command
    bool m_escPressedHere = false; // the last press of Esc came to this window, nothing over it
    QString m_attributesPath; // the file whose permissions start-up changed
    bool m_layoutReady = false;
    // The four pane switches as last set (the widgets' own visibility also depends on the window).
    bool m_toolbarShown = true, m_statusShown = true, m_notesShown = true, m_infoShown = true;
    QWidget *m_client = nullptr; // the area the panes are laid out in
    QMenuBar *m_popupBar = nullptr; // hidden holder of the pop-up menus
    BackupRunner *m_backupRunner = nullptr;
    QTimer *m_backupTimer = nullptr;
    QDateTime m_lastBackup; // when the last automatic copy of this run started
    bool m_showingResults = false;
    QStringList m_searchTerms; // the query's folded terms, to mark in the preview
    qint64 m_noteBeforeSearch = 0;
    NotebookWorker *m_indexBuild = nullptr;
    NotebookWorker *m_searchRun = nullptr;      // a search while the index is being built
    NotebookWorker *m_integrityCheck = nullptr;
    std::optional<qint64> m_searchAgain;      // asked for meanwhile: the note to select then
    QLabel *m_indexStatus = nullptr; // the build's progress, in the status strip
    QString m_notebookPath; // see notebookPath()
    QString m_lockedPath; // the notebook whose password prompt was last cancelled
    LockedNotice *m_lockedNotice = nullptr;
};
