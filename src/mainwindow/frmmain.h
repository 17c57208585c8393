#pragma once

#include <QBrush>
#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QStringList>
#include <QTime>
#include <functional>
#include <map>
#include <optional>

#include "mainwindow/Commands.h"

#include <utility>
#include <vector>

struct AppState;
struct Settings;
class Notebook;
struct SearchResult;
class Prompter;
class Tray;
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
class NotebookLifecycle;
class NotebookWorker;
class SearchBox;
class SearchRunner;
class LockedNotice;
struct SyncOutcome;
struct SyncSettings;
namespace commands {
struct Facts;
enum class Menu;
enum class When;
} // namespace commands
namespace exchange {
struct ExportScope;
}

// The main window. One class in several files, one per concern:
//   frmmain.cpp               controls, and the menus and toolbar built from the command table
//   CommandTable.cpp          every command: its menu items, toolbar button and enabled state
//   frmmain_lifecycle.cpp     start-up, first activation, quick exit, shutdown
//   frmmain_opening.cpp       what the panes show as a notebook opens, locks or closes
//                             (the opening itself, unlocking and the check for damage are
//                             NotebookLifecycle's)
//   frmmain_tree.cpp          group tree
//   frmmain_list.cpp          note list and preview
//   frmmain_layout.cpp        pane geometry, show/hide, tray on minimise
//   frmmain_skins.cpp         skins and note icons
//   frmmain_commands.cpp      running commands, enabled states, group and note commands
//                             (WindowCommands)
//   frmmain_filecommands.cpp  new, open, back up, compact
//   frmmain_viewcommands.cpp  view switches, tray, options, password, forum, exit
//   frmmain_keeping.cpp       note history, recently deleted notes, automatic copies
//   frmmain_search.cpp        the search box, its results and the search index's build
//   frmmain_exchange.cpp      export, print, import, files dropped on the tree or the list
//   frmmain_sync.cpp          sync: settings, runs and what the status strip says of them,
//                             a notebook made from a place, conflicts
//
// What the window holds is its own: the command handlers (WindowCommands, CommandTable.cpp) and
// the tests' probe (tests/mainwindow/WindowProbe.h) are its only friends.
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

    // Replaces the single-instance test (tests run many windows in one process).
    void setInstanceCheck(std::function<bool()> check) { m_isPrevInstance = std::move(check); }
    // Called once the first activation has run (the start-up benchmark quits there).
    void setAfterFirstActivate(std::function<void()> hook) { m_afterFirstActivate = std::move(hook); }
    // Where pop-up menus appear; tests record instead of blocking.
    void setPopupMenu(std::function<void(QMenu *, const QPoint &)> show) { m_popupMenu = std::move(show); }
    // Whether the window may hide into the tray; tests replace the platform's answer.
    void setTrayCheck(std::function<bool()> check) { m_trayAvailable = std::move(check); }

    // ---- commands ----
    // Runs a command as if its menu item were chosen, whatever its enabled state (a view switch
    // flips its tick). Refused while a backup or a compaction runs.
    void run(Cmd cmd);
    // The command's toolbar button, or its first menu item when it has none.
    QAction *action(Cmd cmd) const;

    // ---- selection, as a click selects ----
    void SelectNode(int index);
    void SelectItem(int index);
    // Selects the item of the note with this ID wherever the list shows it; false when absent.
    bool SelectNote(qint64 noteId);
    // How many notes the list shows.
    int listedNotes() const;

    // True while the list shows the results of the search box's query.
    bool showingResults() const { return m_showingResults; }
    // Runs the box's query and shows its results, selecting noteId when it is among them (after a
    // note command, the note it acted on).
    void refreshResults(qint64 noteId);

    // While a backup or a compaction runs, its progress loop still delivers timers and tray
    // clicks; every command that could start meanwhile refuses.
    bool busy() const;

    // Shows the window in a skin: 0 the textured blue one, else the plain one (the options
    // dialog tries them while it is open).
    void SetSkin(int skin);

Q_SIGNALS:
    // The node or the note the commands act on changed.
    void selectionChanged();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    friend class WindowCommands;
    friend class WindowProbe;

    void Form_KeyUp(int keyCode, Qt::KeyboardModifiers shift);
    void Form_Unload();

    // Sets every item's and button's enabled state from the facts they follow; runs on every
    // change of them (selectionChanged, the notebook opened, locked or closed).
    void updateCommandStates();
    commands::Facts facts() const;
    QMenu *menu(commands::Menu which) const;

    // Open (isOpen) or save file chooser; `filter` as "数据库文件(*.qbf)|*.qbf|". nullopt = cancelled.
    std::optional<QString> AskFileName(bool isOpen, const QString &title, const QString &filter);
    // Where the file choosers start: the open notebook's folder, else the user's home.
    QString fileFolder() const;

    // ---- group tree ----
    bool GroupNameExists(const QString &name) const;
    void SetNodeColor(qint32 color); // 0x00BBGGRR

    // After a refused write: when another notebook now stands at the open one's path, says so
    // and offers to open it in its place.
    void offerReplacedNotebook();

    // ---- search ----
    void focusSearch();

    // ---- export, print, import ----
    // Asks where and as what (a file for a note, a folder for a group or the notebook), then
    // exports with progress and says what was written. title names the scope.
    void exportScope(const exchange::ExportScope &scope, const QString &title);
    void printScope(const exchange::ExportScope &scope);
    // Imports files and folders into the group of the tree node, then lists that group.
    void importInto(int nodeIndex, const QStringList &paths);

    // ---- layout ----
    void Form_Resize();
    void resizeStatusStrip();
    void ShowToolbar(bool visible);
    void ShowStatusBar(bool visible);
    void ShowNotesBar(bool visible);
    void ShowNoteInfo(bool visible);

    // ---- skins ----
    void SetIcons();

    // Runs the command of a toolbar button.
    void onToolbarClick(QAction *button);

    // ---- the commands' own handlers (the group and note commands are in WindowCommands) ----
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
    void mnuSyncSettings_Click();
    void mnuSyncNow_Click();
    void mnuOpenFromSync_Click();
    void mnuConflicts_Click();
    void onTrayMouseDown(int button);

    // ---- tree and list events ----
    void onTreeMouseDown(int button, const QPoint &globalPos);
    void onTreeNodeClick(int index);
    void onTreeDblClick();
    void onTreeKeyDown(int keyCode, Qt::KeyboardModifiers shift);

    void onListMouseDown(int button, const QPoint &globalPos, bool onItem);
    void onListItemClick(int index);
    void onListDblClick();
    void onListKeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void onListColumnClick(int column);

    // The window's own services.
    AppState &state() const { return m_state; }
    Settings &settings() const { return m_settings; }
    Notebook &db() const { return m_db; }
    Prompter &prompter() const { return m_prompter; }
    // Construction, in frmmain.cpp (the images in frmmain_skins.cpp).
    void createCommands();
    // Connects updateCommandStates() to the change signals of the facts it reads.
    void followFacts();
    void createPanes();
    void loadImages();

    // The window's side of the notebook's life, in frmmain_opening.cpp: connects to what the
    // notebook's life cycle announces.
    void followNotebook();
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
    // Files dropped on the tree or the list are imported (frmmain_exchange.cpp).
    void acceptFileDrops();
    bool refuseWhileBusy() const { return busy(); }
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

    // Sync, in frmmain_sync.cpp. Runs go on a worker; the notebook's life cycle starts the
    // automatic ones (after it opens, every 10 minutes, a while after a save, at exit).
    void followSync();
    std::optional<SyncSettings> syncSettings() const;
    void startSync(bool manual, const QString &passphrase);
    void runSyncWorker(const QString &path, const SyncSettings &settings, const QString &passphrase, bool joining,
                       std::function<void(const SyncOutcome &)> then);
    void syncEnded(const SyncOutcome &out, bool manual);
    void showSyncedStatus(const QTime &at);
    void syncAutomatically();
    // A command that may have saved something: an automatic sync follows a minute later.
    void syncAfterCommand(Cmd cmd);
    void syncAtExit();
    void stopSync();
    void showSyncStatus(const QString &text, bool retry);
    // The WebDAV server's password: typed in the settings or when asked (ask), kept in memory.
    std::optional<QString> serverPassword(const SyncSettings &s, bool ask);
    void rememberServerPassword(const SyncSettings &s);
    // Fills the new notebook at path from the place, then opens it.
    void joinInto(const QString &path, const SyncSettings &settings, const QString &passphrase);

    AppState &m_state;
    Settings &m_settings;
    Notebook &m_db;
    Prompter &m_prompter;
    QString m_commandLine;
    std::function<bool()> m_isPrevInstance;
    std::function<void()> m_afterFirstActivate;
    bool m_unloaded = false;
    bool m_startingUp = false; // Form_Load opens the notebook: the first activation selects
    NotebookLifecycle *m_notebook = nullptr;
    // Facts of the enabled states that the controls do not hold themselves.
    bool m_noteChosen = false;
    std::map<Cmd, QAction *> m_commandActions; // each command's button, else its first item
    std::map<QAction *, Cmd> m_actionCommands; // every item and button back to its command
    std::map<commands::Menu, QMenu *> m_menus;
    // Every item and button with the fact its enabled state follows.
    std::vector<std::pair<commands::When, QAction *>> m_enabledWhen;
    bool m_escPressedHere = false; // the last press of Esc came to this window, nothing over it
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
    SearchRunner *m_search = nullptr;
    qint64 m_selectInResults = 0; // the note to select once the results asked for last come
    QLabel *m_indexStatus = nullptr; // the build's progress, in the status strip
    LockedNotice *m_lockedNotice = nullptr;
    NotebookWorker *m_syncRun = nullptr;
    bool m_syncAgain = false;          // a sync asked for while one ran
    QLabel *m_syncStatus = nullptr;    // in the status strip
    QTimer *m_syncAfterSave = nullptr;
    QTimer *m_syncEvery = nullptr;
    QHash<QString, QString> m_serverPasswords; // by address and user name
    QTime m_syncedAt; // of the 已同步 the strip shows; invalid while it shows anything else

    // ---- controls ----
    QToolBar *m_toolbar = nullptr;
    SkinPane *m_treeTitle = nullptr;
    QLabel *m_treeCaption = nullptr;
    GroupTree *m_groupTree = nullptr;
    SkinPane *m_listTitle = nullptr;
    QLabel *m_groupCaption = nullptr;
    NoteListView *m_noteList = nullptr;
    SkinPane *m_previewTitle = nullptr;
    QLabel *m_noteIcon = nullptr;
    QLabel *m_noteCaption = nullptr;
    QTextEdit *m_preview = nullptr;
    SkinPane *m_statusStrip = nullptr;
    QLabel *m_noteCount = nullptr;
    SearchBox *m_searchBox = nullptr;
    Tray *m_tray = nullptr;

    // ---- images ----
    QPixmap m_coolGrip, m_plainGrip;       // the status strip's grip in either skin
    QPixmap m_coolTexture, m_plainTexture; // pane and toolbar textures in either skin
    QPixmap m_menuTexture;
    QPixmap m_iconStrip;          // 384 x 16 strip of 24 note icons
    QList<QIcon> m_noteIcons;     // the note icons, image n = m_noteIcons[n - 1]
    QList<QIcon> m_nodeImages;    // tree node images 1..3
    QList<QPixmap> m_sortImages;  // header sort images: ascending, descending

    // ---- what is selected ----
    qint64 m_groupId = 0;
    qint64 m_noteId = 0;
    int m_nodeIndex = 0;
    int m_itemIndex = 0;
    int m_lastWindowState = 0; // 0 normal, 2 maximised
    bool m_firstActivatePending = false;
    int m_treeButton = 0; // 1 left, 2 right
    int m_listButton = 0;
    qint16 m_sortToggle = 0; // 0 / -1, shared by every column

    // ---- skin ----
    int m_skin = 0;
    QBrush m_skinBrush;
    QBrush m_menuBrush;

    std::function<void(QMenu *, const QPoint &)> m_popupMenu;
    QPoint m_lastMousePos;
    int m_layoutPasses = 0; // layout passes so far (the tests look at it)
    std::function<bool()> m_trayAvailable;
};
