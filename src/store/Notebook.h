#pragma once

#include "store/crypto/NotebookHeader.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class NoteIndexHook;
class SecretKey;

// A session with one notebook file: opening, unlocking and closing it, its access password (and
// rewriting the file under a new one), noticing a file moved or replaced under it, the check for
// damage, and the connection with its statement cache. What is inside the notebook is reached
// through the classes that take the session: Groups, Notes, KeptNotes, NoteSearch.
//
// Operations that can fail return false (or an empty optional) and keep the reason in
// lastError(); the store never shows anything. Every operation clears lastError() first, so after
// a read a non-empty lastError() means it did not complete. A Notebook is used from one thread
// (its connection skips SQLite's per-call locking); other processes may open the same file at the
// same time.
class Notebook
{
public:
    Notebook();
    ~Notebook();
    Notebook(const Notebook &) = delete;
    Notebook &operator=(const Notebook &) = delete;

    // A new, empty notebook at path; refuses an existing path and leaves it untouched.
    // Does not change the open notebook.
    bool create(const QString &path);
    // Opens the notebook at path; never creates a file. A failure keeps the previous connection
    // as it was.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return open_; }
    // The path of the open notebook as it was given to open; "" when none is open.
    QString path() const { return open_ ? path_ : QString(); }
    // True when the open file could only be opened for reading (writes will fail).
    bool readOnly() const;
    // How long to wait for another program's lock.
    void setBusyTimeout(int ms) { busyTimeoutMs_ = ms; }

    // A notebook with an access password is encrypted on disk (docs/encryption.md); its
    // password is needed before anything of it can be read.
    enum class Protection { Plain, Encrypted, Damaged };
    // What the file at path is, from our own header alone: nothing of the notes is read.
    static Protection protectionOf(const QString &path);
    // Derives the key of the encrypted notebook at path from typed and keeps it for the open
    // that follows (and for copies made while this session has the notebook, which closes it
    // meanwhile). Keys are wiped when this session lets go of them: when another notebook has
    // been opened, when the password is removed, or when the session goes. False for a wrong
    // password or a file that is not an intact encrypted notebook.
    bool unlock(const QString &path, const QString &typed);
    // unlock in its two halves, for a caller that keeps its own thread free meanwhile. deriveKey
    // is the slow half: it reads the header and derives the key, touches no session and may run
    // on any thread. keepKey does the rest on the session's thread. A key never kept is wiped
    // when its last copy goes.
    struct DerivedKey
    {
        NotebookHeader::Header header;
        std::shared_ptr<SecretKey> key; // nullptr: wrong password, or not an intact encrypted notebook
        QString error;
    };
    static DerivedKey deriveKey(const QString &path, const QString &typed);
    bool keepKey(const DerivedKey &derived);
    // True when the open notebook is encrypted.
    bool encrypted() const;
    // Opening with a password in one step, for scripts: an encrypted file is unlocked first and
    // stays unread on a wrong password; a plain one is opened and its stored password checked
    // (and closed again when it does not match). An empty typed password opens a notebook
    // without one.
    enum class Access { Opened, WrongPassword, Unreadable };
    Access openWithPassword(const QString &path, const QString &typed);
    // An open encrypted notebook whose commit count is below the highest this user has seen
    // for its file is an older copy of itself put in its place (docs/encryption.md): true then,
    // to be said before anything of it is shown. Its count is taken as seen either way.
    bool olderThanLastSeen();
    // Records the open encrypted notebook's commit count as seen; closing does it too.
    void rememberCommits();
    // Cost of the key derivation when a password is set or changed (kept in the file's header).
    void setPasswordCost(const NotebookHeader::Cost &cost) { passwordCost_ = cost; }
    NotebookHeader::Cost passwordCost() const { return passwordCost_; }

    // Stored form of the access password; "" = no password. For an encrypted notebook it is
    // the key part of its header; for a plain one written before encryption, an Argon2id hash.
    QString readPassword();
    // Sets, changes or removes (plain = "") the access password; refuses more than 50
    // characters. Setting or changing one encrypts the notebook under a new key: a new encrypted
    // file takes the old one's place (written beside it, checked to open with the new password
    // and renamed, under the notebook's write lock, so a failure leaves the old file as it was
    // and no other program's save falls between). Removing it writes a plain file the same way.
    // The notebook is open again afterwards; on failure, as it was.
    bool writePassword(const QString &plain);
    // Exact, case-sensitive check of a typed password against the stored form. A stored ""
    // matches only "". An encrypted notebook's form is checked by unwrapping its key (the
    // deliberately slow derivation). A stored form that is not a hash (never written by this
    // program) is compared as plain text. A hash beyond the cost bound never matches.
    static bool passwordMatches(const QString &typed, const QString &stored);
    // The stored form of plain ("" stays ""); "" on failure (out of memory, crypto library).
    static QString hashPassword(const QString &plain);

    // Damage that opening does not read (a page deep in the file): PRAGMA quick_check over every
    // page, stopped early once cancel becomes true. Damaged: lastError() says what was found;
    // Unchecked: the check could not finish (cancelled, the file busy), lastError() says why.
    enum class Integrity { Intact, Damaged, Unchecked };
    Integrity checkIntegrity(const std::atomic<bool> *cancel = nullptr);
    // From now on every write to the open notebook's file fails with reason as lastError(), until
    // another file takes its place at the path (a copy restored over it).
    void refuseWrites(const QString &reason);
    // Why writes to the open file are refused; "" when they are not.
    QString writesRefused() const;

    // What tells the open notebook from any other (copies of it share it); "" for a file of an
    // older layout that could only be read.
    QString identity() const;

    // The search index that follows every note write (search/NoteIndex.h); kept across notebooks,
    // and needed before notes are written or searched.
    void setIndex(std::shared_ptr<const NoteIndexHook> index);
    const std::shared_ptr<const NoteIndexHook> &index() const { return index_; }
    // The time kept notes are stamped with and dropped by; tests set their own.
    void setClock(std::function<QDateTime()> nowUtc) { clock_ = std::move(nowUtc); }

    QString lastError() const { return lastError_; }
    // The reason a write gives when the open notebook's file was moved or deleted meanwhile.
    static const QString MovedOrDeleted;
    // The reason a write gives when another notebook now stands at the open notebook's path.
    static const QString ReplacedByAnother;
    // What the user is told when olderThanLastSeen().
    static const QString OlderCopy;
    // What a read or write reports when it meets a damaged page (the engine's own words are
    // "malformed" or, for an encrypted page that fails its check, "disk I/O error").
    static const QString DamagedFile;

private:
    friend class Groups;
    friend class Notes;
    friend class KeptNotes;
    friend class NoteSearch;
    friend class SyncNotebook; // sync's own tables, written with the notes they describe

    struct Connection;
    Connection &conn() { return *conn_; }
    std::unique_ptr<Connection> openConnection(const QString &path, QString *error);
    bool ready();
    // ready(), and the file at the path is still the one open; one that was replaced is reopened.
    bool writable();
    // The file at the open notebook's path is still the one open (not replaced, not moved away).
    bool sameFileAtPath() const;
    // Every write: body runs in one write transaction (committed when it returns true, else
    // rolled back) on the file that stands at the notebook's path (NotebookPrivate.h).
    template <typename Body>
    bool write(Body &&body);
    bool fail(const QString &why);
    // Tells the index of a note write, inside its transaction (NoteIndexHook::written).
    void indexWritten(qint64 id);
    bool rewriteProtected(const QString &plain);
    QDateTime now() const;

    std::unique_ptr<Connection> conn_;
    bool open_ = false;
    QString path_; // as given to open
    int busyTimeoutMs_ = 5000;
    NotebookHeader::Cost passwordCost_ = NotebookHeader::Cost::standard();

    // The file writes are refused to (refuseWrites), by device and inode.
    QString refusal_;
    quint64 refusedDevice_ = 0, refusedInode_ = 0;

    // Keys this session has unlocked: the open notebook's, and one unlocked for the next open.
    std::vector<std::shared_ptr<SecretKey>> keys_;
    QString lastError_;
    QString notice_; // see KeptNotes::takeNotice
    std::shared_ptr<const NoteIndexHook> index_;
    std::function<QDateTime()> clock_;
};
