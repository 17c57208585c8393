#pragma once

#include "store/CurrentNote.h"
#include "store/History.h"
#include "store/Sinks.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

// The note store: one notebook file (SQLite), its groups, notes and access password.
// Operations that can fail return 1 on success and 0 on failure, and keep the reason in
// lastError(); the store never shows anything. Every operation clears lastError() first, so
// after a read (LoadGroups, LoadNotes, LoadNoteBody, ReadPassword) a non-empty lastError()
// means the read did not complete. A DBase is used from one thread (its connection skips
// SQLite's per-call locking); other processes may open the same file at the same time.
class DBase
{
public:
    DBase();
    ~DBase();
    DBase(const DBase &) = delete;
    DBase &operator=(const DBase &) = delete;

    QString DatabasePath;        // set by callers before OpenDatabase
    bool DatabaseIsOpen = false;
    int BusyTimeoutMs = 5000;    // how long to wait for another program's lock

    // A new, empty notebook at path; refuses an existing path and leaves it untouched.
    // Does not change the open notebook.
    int CreateDatabase(const QString &path);
    // Opens DatabasePath; never creates a file. Sets DatabaseIsOpen. A failure keeps the
    // previous connection as it was.
    void OpenDatabase();
    void CloseDatabase();
    // True when the open file could only be opened for reading (writes will fail).
    bool ReadOnly() const;

    void LoadGroups(GroupSink &tree);
    int AddGroup(const QString &name);
    int RenameGroup(const QString &name, qint64 id);
    int DeleteGroup(qint64 id); // the group and all its notes, together or not at all

    void LoadNotes(NoteSink &list, qint64 groupId); // -1 = notes of every group
    QString LoadNoteBody(qint64 id);                // "" when missing, empty or unreadable
    int AddNote(qint64 groupId, const CurrentNote &note);
    int UpdateNote(qint64 id, const CurrentNote &note);
    int MoveNote(qint64 id, qint64 groupId);
    int DeleteNote(qint64 id);
    qint64 LastInsertedId() const { return lastInsertedId_; } // ID given by the last AddGroup/AddNote

    // Stored form of the access password (an Argon2id hash string); "" = no password.
    QString ReadPassword();
    // Hashes and stores plain, replacing the old one in one transaction; "" removes the
    // password. Refuses more than 50 characters.
    int WritePassword(const QString &plain);
    // Exact, case-sensitive check of a typed password against the stored form. A stored ""
    // matches only "". A stored form that is not a hash (never written by this program) is
    // compared as plain text.
    static bool PasswordMatches(const QString &typed, const QString &stored);
    // The stored form of plain ("" stays ""); "" on failure (out of memory, crypto library).
    static QString HashPassword(const QString &plain);

    // History and recently deleted notes, kept inside the notebook. Every save that changes a
    // note keeps the version it replaces in the same transaction; deleting keeps the last one.
    // A read-only file of an older layout has no room for them: nothing is kept and the lists
    // are empty (HistoryAvailable() is false).
    bool HistoryAvailable() const;
    void SetKeepLimits(const KeepLimits &limits) { limits_ = limits; }
    KeepLimits keepLimits() const { return limits_; }
    void SetClock(std::function<QDateTime()> nowUtc) { clock_ = std::move(nowUtc); } // for tests
    std::vector<VersionInfo> LoadHistory(qint64 noteId); // newest first
    std::vector<DeletedInfo> LoadDeleted();             // most recently deleted first
    int LoadVersion(qint64 versionId, NoteVersion *out);
    int LoadDeletedNote(qint64 entryId, NoteVersion *out);
    // A save of the version's fields (and group, when it still exists) dated saveDate; the state
    // it replaces joins the history like any other save.
    int RestoreVersion(qint64 noteId, qint64 versionId, const QString &saveDate);
    // Puts a deleted note back, under its old ID when free (its history comes back with it).
    // groupId -1: into the group it was in, recreated under its old name if it is gone too.
    // LastInsertedId() is then the note's ID.
    int RestoreDeleted(qint64 entryId, qint64 groupId = -1);
    int EmptyDeleted(); // drops the deleted notes and their history for good
    // Drops what is past the limits, oldest first; also done at open and with each save.
    int PruneHistory();

    QString lastError() const { return lastError_; }

private:
    struct Connection;
    bool ready();
    int fail(const QString &why);
    QDateTime now() const;
    // The history hooks of the note writes; each runs inside the write's transaction.
    void keepReplaced(qint64 id, const CurrentNote *next, qint64 nextGroupId);
    void keepDeletedNote(qint64 id);
    void keepDeletedGroup(qint64 groupId);
    void keepDeleted(const char *selectNotes, qint64 key);
    void dropOverLimits(qint64 noteId);

    std::unique_ptr<Connection> conn_;
    QString lastError_;
    qint64 lastInsertedId_ = 0;
    KeepLimits limits_;
    std::function<QDateTime()> clock_;
};
