#pragma once

#include "base/CurrentNote.h"
#include "store/Search.h"
#include "store/History.h"
#include "store/Sinks.h"
#include "store/crypto/NotebookHeader.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SecretKey;

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

    // A notebook with an access password is encrypted on disk (docs/encryption.md); its
    // password is needed before anything of it can be read.
    enum class Protection { Plain, Encrypted, Damaged };
    // What the file at path is, from our own header alone: nothing of the notes is read.
    static Protection ProtectionOf(const QString &path);
    // Derives the key of the encrypted notebook at path from typed and keeps it for the
    // OpenDatabase that follows (and for copies made while this store has the notebook, which
    // closes it meanwhile). Keys are wiped when this store lets go of them: when another
    // notebook has been opened, when the password is removed, or when the store goes.
    // 1 on success; 0 for a wrong password or a file that is not an intact encrypted
    // notebook, the reason in lastError().
    int Unlock(const QString &path, const QString &typed);
    // Unlock in its two halves, for a caller that keeps its own thread free meanwhile. DeriveKey
    // is the slow half: it reads the header and derives the key, touches no store and may run on
    // any thread. KeepKey does the rest on the store's thread. A key never kept is wiped when
    // its last copy goes.
    struct DerivedKey
    {
        NotebookHeader::Header header;
        std::shared_ptr<SecretKey> key; // nullptr: wrong password, or not an intact encrypted notebook
        QString error;
    };
    static DerivedKey DeriveKey(const QString &path, const QString &typed);
    int KeepKey(const DerivedKey &derived);
    // True when the open notebook is encrypted.
    bool Encrypted() const;
    // Opening with a password in one step, for scripts: an encrypted file is unlocked first and
    // stays unread on a wrong password; a plain one is opened and its stored password checked
    // (and closed again when it does not match). An empty typed password opens a notebook
    // without one.
    enum class Access { Opened, WrongPassword, Unreadable };
    Access OpenWithPassword(const QString &typed);
    // An open encrypted notebook whose commit count is below the highest this user has seen
    // for its file is an older copy of itself put in its place (docs/encryption.md): true then,
    // to be said before anything of it is shown. Its count is taken as seen either way.
    bool OlderThanLastSeen();
    // Records the open encrypted notebook's commit count as seen; closing does it too.
    void RememberCommits();
    // Cost of the key derivation when a password is set or changed (kept in the file's header).
    NotebookHeader::Cost PasswordCost = NotebookHeader::Cost::standard();

    void LoadGroups(GroupSink &tree);
    int AddGroup(const QString &name);
    int RenameGroup(const QString &name, qint64 id);
    int DeleteGroup(qint64 id); // the group and all its notes, together or not at all

    void LoadNotes(NoteSink &list, qint64 groupId); // -1 = notes of every group
    QString LoadNoteBody(qint64 id);                // "" when missing, empty or unreadable
    // The note with this ID as stored now, and its group; 0 when it is gone or unreadable.
    int LoadNote(qint64 id, NoteVersion *out);
    int AddNote(qint64 groupId, const CurrentNote &note);
    // All of them in one transaction, or none; LastInsertedId() is the last one's.
    int AddNotes(qint64 groupId, const std::vector<CurrentNote> &notes);
    int UpdateNote(qint64 id, const CurrentNote &note);
    int MoveNote(qint64 id, qint64 groupId);
    int DeleteNote(qint64 id);
    qint64 LastInsertedId() const { return lastInsertedId_; } // ID given by the last AddGroup/AddNote

    // Stored form of the access password; "" = no password. For an encrypted notebook it is
    // the key part of its header; for a plain one written before encryption, an Argon2id hash.
    QString ReadPassword();
    // Sets, changes or removes (plain = "") the access password; refuses more than 50
    // characters. Setting or changing one encrypts the notebook under a new key: a new encrypted
    // file takes the old one's place (written beside it, checked to open with the new password
    // and renamed, under the notebook's write lock, so a failure leaves the old file as it was
    // and no other program's save falls between). Removing it writes a plain file the same way.
    // The notebook is open again afterwards; on failure, as it was.
    int WritePassword(const QString &plain);
    // Exact, case-sensitive check of a typed password against the stored form. A stored ""
    // matches only "". An encrypted notebook's form is checked by unwrapping its key (the
    // deliberately slow derivation). A stored form that is not a hash (never written by this
    // program) is compared as plain text. A hash beyond the cost bound never matches.
    static bool PasswordMatches(const QString &typed, const QString &stored);
    // The stored form of plain ("" stays ""); "" on failure (out of memory, crypto library).
    static QString HashPassword(const QString &plain);

    // Search (DBaseSearch.cpp). The extractor turns a body into its visible text; it is kept
    // across notebooks and must be set before notes are written or searched.
    void SetTextExtractor(TextExtractor extractor);
    // The notes matching every term of query (SearchText::terms), best first. Notes written
    // meanwhile by other programs are indexed first; when many notes still wait (a notebook
    // from before the index), the answer covers the indexed ones and says how many wait.
    int Search(const QString &query, const SearchOptions &options, SearchResult *result);
    // Notes waiting for the index.
    qint64 UnindexedNotes();
    // Indexes every waiting note, a batch per transaction, reporting progress; returns 0 with
    // lastError() "cancelled" when cancel became true (a later call resumes). The window may run
    // it on a second DBase of the same file in a worker thread.
    int BuildIndex(const IndexProgress &progress = {}, const std::atomic<bool> *cancel = nullptr);
    // History and recently deleted notes, kept inside the notebook. Every save that changes a
    // note keeps the version it replaces in the same transaction; deleting keeps the last one.
    // A read-only file of an older layout has no room for them: nothing is kept and the lists
    // are empty (HistoryAvailable() is false).
    bool HistoryAvailable() const;
    // The limits are the notebook's own, so every program that opens it keeps the same. Until
    // they are set, nothing is dropped. Setting them is a write (1 on success).
    int SetKeepLimits(const KeepLimits &limits);
    std::optional<KeepLimits> keepLimits();
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
    // Drops what is past the notebook's limits, oldest first. Opening never does it (a program
    // that only reads drops nothing); a save trims the saved note's own versions.
    int PruneHistory();
    // A damaged history never fails the write it belongs to: the damaged table is set aside
    // (kept readable in the file) and started afresh, or, when even that fails, nothing more is
    // kept while the notebook stays open. What the user should hear of it, once; "" when
    // nothing happened since the last call.
    QString TakeNotice();

    // Damage that opening does not read (a page deep in the file): PRAGMA quick_check over every
    // page, stopped early once cancel becomes true. Damaged: lastError() says what was found;
    // Unchecked: the check could not finish (cancelled, the file busy), lastError() says why.
    enum class Integrity { Intact, Damaged, Unchecked };
    Integrity CheckIntegrity(const std::atomic<bool> *cancel = nullptr);
    // From now on every write to the open notebook's file fails with reason as lastError(), until
    // another file takes its place at the path (a copy restored over it).
    void RefuseWrites(const QString &reason);
    // Why writes to the open file are refused; "" when they are not.
    QString WritesRefused() const;

    // What tells the open notebook from any other (copies of it share it); "" for a file of an
    // older layout that could only be read.
    QString Identity() const;

    QString lastError() const { return lastError_; }
    // The reason a write gives when the open notebook's file was moved or deleted meanwhile.
    static const QString MovedOrDeleted;
    // The reason a write gives when another notebook now stands at the open notebook's path.
    static const QString ReplacedByAnother;
    // What the user is told when OlderThanLastSeen().
    static const QString OlderCopy;
    // What a read or write reports when it meets a damaged page (the engine's own words are
    // "malformed" or, for an encrypted page that fails its check, "disk I/O error").
    static const QString DamagedFile;

private:
    struct Connection;
    std::unique_ptr<Connection> openConnection(const QString &path, QString *error);
    bool ready();
    // ready(), and the file at the path is still the one open; one that was replaced is reopened.
    bool writable();
    // The file at the open notebook's path is still the one open (not replaced, not moved away).
    bool sameFileAtPath() const;
    // Every write: body runs in one write transaction (committed when it returns 1, else rolled
    // back) on the file that stands at the notebook's path (DBasePrivate.h).
    template <typename Body>
    int write(Body &&body);
    int fail(const QString &why);
    int rewriteProtected(const QString &plain);

    QDateTime now() const;
    // The history hooks of the note writes; each runs inside the write's transaction.
    void keepReplaced(qint64 id, const CurrentNote *next, qint64 nextGroupId);
    void keepDeletedNote(qint64 id);
    void keepDeletedGroup(qint64 groupId);
    void keepDeleted(const char *selectNotes, qint64 key);
    void dropOverLimits(qint64 noteId, const KeepLimits &limits);
    // Runs write (to table only) inside the note write's transaction. Damage found in the table
    // spoils that transaction (the engine takes no further write in it), so it is thrown as
    // StoreDetail::HistoryDamaged for write().
    void keepIn(History::Table table, const std::function<void()> &write);
    // After a write found a history table damaged: sets it aside in a transaction of its own
    // (or, the second time, turns history off); false when the write cannot be tried again.
    bool mendHistory(History::Table table, bool *setAsideBefore);
    // 1, or 0 when the file was busy (reason in lastError()).
    int setAside(History::Table table);
    void historyOff();

    std::unique_ptr<Connection> conn_;
    bool searchReady();

    // The file writes are refused to (RefuseWrites), by device and inode.
    QString refusal_;
    quint64 refusedDevice_ = 0, refusedInode_ = 0;

    // Keys this store has unlocked: the open notebook's, and one unlocked for the next open.
    std::vector<std::shared_ptr<SecretKey>> keys_;
    QString lastError_;
    QString notice_; // see TakeNotice
    qint64 lastInsertedId_ = 0;
    TextExtractor extractor_;
    std::function<QDateTime()> clock_;
};
