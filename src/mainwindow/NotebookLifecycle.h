#pragma once

#include <QFileDevice>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

struct AppState;
struct Settings;
class Notebook;
class GroupSink;
class NotebookWorker;
class Prompter;
class QWidget;

// The open notebook's life in the window: opening one (an old one converted first, its password
// asked, an older copy questioned), leaving it locked when its prompt is cancelled, unlocking it,
// a file replaced under it, closing it for a copy and opening it again, closing it at exit, and
// the check for damage that runs beside it. The window only connects to what it announces; the
// dialogs of opening are its own, over the window.
class NotebookLifecycle : public QObject
{
    Q_OBJECT

public:
    // namedOnCommandLine: the notebook of this run was named on the command line, not by the
    // settings (a start-up conversion then leaves the settings alone, and nothing is created).
    // groups: where the groups of a notebook that opened go. The window is the dialogs' parent.
    NotebookLifecycle(AppState &state, Settings &settings, Notebook &db, Prompter &prompter, GroupSink &groups,
                      QWidget *window, bool namedOnCommandLine);

    // The notebook the settings or the command line name; the very first start creates the
    // default one.
    void openAtStartUp(const QString &path);
    // A notebook the user chose, back to the one shown before when that fails.
    void openChosen(const QString &path);
    // The locked notebook, its password asked again.
    void unlock();
    // After a refused write: when another notebook now stands at the open one's path, says so
    // and offers to open it in its place.
    void offerReplaced();
    // Closes the notebook (a copy is about to take its place).
    void close();
    // Stops the work beside the notebook (the window is going).
    void stopWork();
    // Closes the notebook for good and gives the start-up file its permissions back.
    void closeAtExit();

    bool isOpen() const;
    // Named but left locked, its password prompt cancelled.
    bool isLocked() const;
    QString lockedPath() const { return m_lockedPath; }
    // The window's notebook: the one open, or the one locked or that failed to open.
    QString path() const { return m_path; }

    // Long work on the file, with its progress: the check for damage stops first and starts again
    // afterwards, and the window is busy meanwhile.
    int runLongWork(const QString &label, const std::function<int()> &work);
    // The same with the notebook closed meanwhile (a copy sees every saved change); it is opened
    // again afterwards, which isOpen() then tells.
    int runClosed(const QString &label, const std::function<int()> &work);
    // Work that shows its own progress (export, print), the window busy meanwhile.
    void whileBusy(const std::function<void()> &work);
    // A write of the whole file without progress (a new password): the workers wait for it.
    int rewrite(const std::function<int()> &work);
    bool busy() const { return m_busy; }

    // The password the prompt or the change dialog passed on, gone once it has been used.
    void forgetTypedPassword();

Q_SIGNALS:
    // A notebook was opened (or opened again after a copy): the panes show it.
    void opened();
    // The prompt of the notebook at path was cancelled: it stays named but shut.
    void locked(const QString &path);
    // No notebook is open any more, or one is about to open: the panes are emptied.
    void closed();
    // The notebook was closed for a copy and opened again (isOpen() tells whether that worked);
    // the panes stay as they are.
    void reopened();
    // Work of the window's own beside the notebook (the search index's build) may start.
    void readyForWork();
    // Long work on the file begins (true) or ends (false); commands refuse meanwhile.
    void busyChanged(bool busy);
    // The file is about to be closed, copied or rewritten: work of the window's own on it stops.
    void stopping();
    // The window is going: last work on the open notebook (a sync) may run briefly, before
    // stopping().
    void leaving();
    // What failed, to be said to the user.
    void failed(const QString &message);
    // The check for damage found some (writes are refused from now on).
    void damaged(const QString &findings);

private:
    // Declined: a conversion or an older copy refused by the user, or a conversion that failed.
    enum class Outcome { Opened, Locked, Declined, Unreadable };
    // Opens path in place of the open notebook. Whatever does not end Opened leaves no notebook
    // open; Unreadable has not been told to the user yet, the others have.
    Outcome open(const QString &path, bool atStartUp);
    void emptyPanes();
    void damageFound(const QString &findings);
    void makeWritableForSession(const QString &path);
    // After the prompt accepted a password of the old kind: offers to encrypt the notebook.
    void offerEncryption();
    void startWorkers();
    void stopWorkers();
    void startIntegrityCheck();

    AppState &m_state;
    Settings &m_settings;
    Notebook &m_db;
    Prompter &m_prompter;
    GroupSink &m_groups;
    QWidget *m_window;
    bool m_namedOnCommandLine;
    bool m_busy = false;
    bool m_panesEmptied = false; // during an attempt to open: the panes were emptied for it
    QString m_path; // see path()
    QString m_lockedPath; // the notebook whose password prompt was last cancelled
    // Permissions of the notebook as found at start-up, given back at exit.
    std::optional<QFileDevice::Permissions> m_fileAttributes;
    QString m_attributesPath; // the file whose permissions start-up changed
    NotebookWorker *m_integrityCheck = nullptr;
};
