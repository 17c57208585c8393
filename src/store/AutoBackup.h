#pragma once

#include "store/crypto/NotebookHeader.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

// Automatic copies of the open notebook, named "<notebook>-<yyyyMMdd>-<HHmmss>.qbf" in a folder
// that only its owner may read, inside it in a folder of the notebook's own (by its identity, so
// notebooks of the same name never mix); each copy has the notebook's permissions. A copy is
// written under a hidden temporary name and renamed only once it is complete and has passed
// PRAGMA quick_check; only then are older copies of that notebook dropped. Which copy is newer is
// what the program recorded when it made them, never the names or the clock.
namespace AutoBackup {

struct Copy
{
    QString path;
    QDateTime taken; // local time, from the name
    qint64 size = 0;
    qint64 sequence = -1;       // the order made in; -1 for copies the record does not know
    bool beforeRestore = false; // the notebook as it was before a restore replaced it
    bool kept = false;          // left alone by the rotation (see dropped)
};

// ~/.local/share/Quillbook/backups/ on Linux.
QString defaultFolder();
// Copies of notebook in folder, newest first: the recorded ones by the order they were made in,
// then any others by the time in their names. Only this notebook's: found by its identity, or for
// a notebook that cannot be read, by where it stands. Copies made before notebooks had an
// identity (lying in folder itself) are listed only when they say they are this notebook's, and
// are never dropped. Other files are ignored.
std::vector<Copy> list(const QString &folder, const QString &notebook);
// Of copies (newest first), those the rotation drops. It keeps the newest copy, the kept ones
// (involved in the last restore, or written to since they were made), the first and the last
// copy of each of the 7 latest days that have copies, and the last of each of the 4 latest weeks.
std::vector<Copy> dropped(const std::vector<Copy> &copies);

// Makes copy the notebook's content. The notebook as it is now is first kept among the copies,
// tagged as the one before a restore (byte for byte when it does not open: damaged, or locked
// by a password not given); then copy is written whole beside the notebook, checked and renamed
// over it, keeping the notebook's permissions. Both stay out of the rotation until the next
// restore. The kept notebook goes with the copies of the notebook it is (with those of copy
// when it tells nothing of itself). The notebook must not be open here. On failure the notebook
// is as it was; the reason goes to *error. An encrypted copy's key must be unlocked (DBase::Unlock).
bool restore(const QString &notebook, const QString &copy, const QString &folder, QString *keptCopy,
             QString *error, const QDateTime &now = QDateTime::currentDateTime());
// Whether copy is encrypted under a key this process has not unlocked.
bool needsPassword(const QString &copy);
// Rewrites copy under newPassword with a key of its own, through the same checked rewrite as the
// notebook's; copy must open with oldPassword ("" for none). False, with the reason in *error,
// leaves copy as it was.
bool reencrypt(const QString &copy, const QString &oldPassword, const QString &newPassword,
               NotebookHeader::Cost cost, QString *error);

} // namespace AutoBackup

// One automatic copy, done in small steps so that the caller's event loop keeps running: each
// step() copies pages for about stepBudgetMs; syncing, checking and renaming the finished copy and
// dropping older ones run on a thread of their own while step() keeps returning Checking. Destroying an unfinished job removes
// its temporary file; one left by a killed program is removed by the next job. A notebook with no
// identity (an older layout opened read-only) is not copied: its copies could not be told apart.
class BackupJob
{
public:
    enum State { Copying, Checking, Done, Skipped, Failed };

    // now: the copy's time (local) for its name and the rotation; tests pass their own.
    BackupJob(const QString &notebook, const QString &folder, const QDateTime &now = QDateTime::currentDateTime());
    ~BackupJob();
    BackupJob(const BackupJob &) = delete;
    BackupJob &operator=(const BackupJob &) = delete;

    State step();
    State runToEnd(); // for the copy at exit, where nothing else needs the thread
    State state() const { return state_; }
    bool finished() const { return state_ == Done || state_ == Skipped || state_ == Failed; }
    QString copyPath() const { return copyPath_; } // the new copy once Done
    QString error() const { return error_; }

    int stepBudgetMs = 15;

private:
    struct Work;
    State start();
    State copy();
    State check();
    State fail(const QString &why);

    QString notebook_, folder_, place_, copyPath_, error_;
    QDateTime now_;
    State state_ = Copying;
    bool started_ = false;
    std::unique_ptr<Work> work_;
};

// Runs a BackupJob from the event loop (one step per turn) and says when it has ended.
class BackupRunner : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    bool busy() const { return job_ != nullptr; }
    // Starts a copy unless one is running; false when one is.
    bool start(const QString &notebook, const QString &folder);
    // Gives up a running copy (its temporary file goes with it).
    void stop() { job_.reset(); }

Q_SIGNALS:
    // state: BackupJob::Done, Skipped or Failed.
    void finished(int state, const QString &copyPath, const QString &error);

private:
    void next();
    std::unique_ptr<BackupJob> job_;
};
