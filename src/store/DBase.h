#pragma once

#include "store/CurrentNote.h"
#include "store/Sinks.h"

#include <QString>
#include <QtGlobal>

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
    // All of them in one transaction, or none; LastInsertedId() is the last one's.
    int AddNotes(qint64 groupId, const std::vector<CurrentNote> &notes);
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

    QString lastError() const { return lastError_; }

private:
    struct Connection;
    bool ready();
    int fail(const QString &why);

    std::unique_ptr<Connection> conn_;
    QString lastError_;
    qint64 lastInsertedId_ = 0;
};
