#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

// Automatic copies of the open notebook, named "<notebook>-<yyyyMMdd>-<HHmmss>.qbf" in a folder
// of their own. A copy is written under a hidden temporary name and renamed only once it is
// complete and has passed PRAGMA quick_check; only then are older copies dropped, keeping the
// newest copy of each of the last 7 days and of each of the last 4 weeks that have one.
namespace AutoBackup {

struct Copy
{
    QString path;
    QDateTime taken; // local time, from the name
    qint64 size = 0;
};

// ~/.local/share/Quillbook/backups/ on Linux.
QString defaultFolder();
// Copies of notebook in folder, newest first; other files are ignored.
std::vector<Copy> list(const QString &folder, const QString &notebook);
// Of copies (newest first), those the rotation drops.
std::vector<Copy> dropped(const std::vector<Copy> &copies);

} // namespace AutoBackup

// One automatic copy, done in small steps so that the caller's event loop keeps running: each
// step() copies pages for about stepBudgetMs; syncing, checking and renaming the finished copy and
// dropping older ones run on a thread of their own while step() keeps returning Checking. Destroying an unfinished job removes
// its temporary file; one left by a killed program is removed by the next job.
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

    QString notebook_, folder_, copyPath_, error_;
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

Q_SIGNALS:
    // state: BackupJob::Done, Skipped or Failed.
    void finished(int state, const QString &copyPath, const QString &error);

private:
    void next();
    std::unique_ptr<BackupJob> job_;
};
