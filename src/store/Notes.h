#pragma once

#include "base/CurrentNote.h"
#include "store/History.h"
#include "store/Sinks.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

class Notebook;

// The notes of the open notebook: listing them, reading one, and adding, saving, moving and
// deleting them. Every write keeps what it replaces (KeptNotes) and the search index up to date
// in its own transaction. Owns nothing but its reference to the session, which keeps the reason
// of a failure (Notebook::lastError()).
class Notes
{
public:
    explicit Notes(Notebook &notebook) : nb_(notebook) {}

    // The list rows of a group's notes (-1: of every group); false when the read did not complete.
    bool list(NoteSink &sink, qint64 groupId);
    // "" when missing, empty or unreadable.
    QString body(qint64 id);
    // The note as stored now, and its group; nothing when it is gone or unreadable.
    std::optional<NoteVersion> load(qint64 id);
    // The new note's ID.
    std::optional<qint64> add(qint64 groupId, const CurrentNote &note);
    // All of them in one transaction, or none; the last one's ID.
    std::optional<qint64> addAll(qint64 groupId, const std::vector<CurrentNote> &notes);
    // The date of this save arrives in NoteAddDate; the creation date and the group stay.
    bool update(qint64 id, const CurrentNote &note);
    bool move(qint64 id, qint64 groupId);
    // An id that matches no note succeeds with nothing deleted.
    bool remove(qint64 id);

private:
    Notebook &nb_;
};
