#pragma once

#include "base/CurrentNote.h"
#include "store/History.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

class Notebook;

// The history of the notes and the recently deleted ones, kept inside the notebook, and the
// limits of what is kept. Every save that changes a note keeps the version it replaces in the
// same transaction; deleting keeps the last one. A read-only file of an older layout has no room
// for them: nothing is kept and the lists are empty (available() is false). Owns nothing but its
// reference to the session, which keeps the reason of a failure (Notebook::lastError()) and what
// the user should hear of a damaged history.
class KeptNotes
{
public:
    explicit KeptNotes(Notebook &notebook) : nb_(notebook) {}

    bool available() const;
    // The limits are the notebook's own, so every program that opens it keeps the same. Until
    // they are set, nothing is dropped. Setting them is a write.
    bool setLimits(const KeepLimits &limits);
    std::optional<KeepLimits> limits();

    std::vector<VersionInfo> history(qint64 noteId); // newest first
    std::vector<DeletedInfo> deleted();              // most recently deleted first
    std::optional<NoteVersion> version(qint64 versionId);
    std::optional<NoteVersion> deletedNote(qint64 entryId);
    // A save of the version's fields (and group, when it still exists) dated saveDate; the state
    // it replaces joins the history like any other save.
    bool restoreVersion(qint64 noteId, qint64 versionId, const QString &saveDate);
    // Puts a deleted note back, under its old ID when free (its history comes back with it), and
    // gives its ID. groupId -1: into the group it was in, recreated under its old name if it is
    // gone too.
    std::optional<qint64> restoreDeleted(qint64 entryId, qint64 groupId = -1);
    bool emptyDeleted(); // drops the deleted notes and their history for good
    // Drops what is past the notebook's limits, oldest first. Opening never does it (a program
    // that only reads drops nothing); a save trims the saved note's own versions.
    bool prune();
    // A damaged history never fails the write it belongs to: the damaged table is set aside
    // (kept readable in the file) and started afresh, or, when even that fails, nothing more is
    // kept while the notebook stays open. What the user should hear of it, once; "" when
    // nothing happened since the last call.
    QString takeNotice();

private:
    friend class Notebook;
    friend class Notes;
    friend class Groups;
    friend class SyncNotebook;

    // The hooks of the note writes; each runs inside the write's transaction.
    void keepReplaced(qint64 id, const CurrentNote *next, qint64 nextGroupId);
    // Keeps v in the history of note id, as a save that replaced it would.
    void keepVersion(qint64 id, const NoteVersion &v);
    void keepDeletedNote(qint64 id);
    void keepDeletedGroup(qint64 groupId);
    void keepDeleted(const char *selectNotes, qint64 key);
    void dropOverLimits(qint64 noteId, const KeepLimits &limits);
    // Runs write (to table only) inside the note write's transaction. Damage found in the table
    // spoils that transaction (the engine takes no further write in it), so it is thrown as
    // StoreDetail::HistoryDamaged for Notebook::write.
    void keepIn(History::Table table, const std::function<void()> &write);
    // After a write found a history table damaged: sets it aside in a transaction of its own
    // (or, the second time, turns history off); false when the write cannot be tried again.
    bool mend(History::Table table, bool *setAsideBefore);
    // False when the file was busy (reason in lastError()).
    bool setAside(History::Table table);
    void historyOff();
    std::optional<NoteVersion> loadPacked(const char *sql, qint64 id);

    Notebook &nb_;
};
