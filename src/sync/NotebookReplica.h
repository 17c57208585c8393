#pragma once

#include "sync/SyncReplica.h"

#include <QString>
#include <QtGlobal>

#include <optional>

class Notebook;

// This notebook's side of sync, kept in the notebook itself (tables of its own, created by the
// migration that raises user_version; the described tables are untouched): the computer's
// identity, the place and key it syncs with, a revision for every save and deletion of a group
// or note made here, every revision read from other computers, and what was read of whom.
// Taking in revisions writes the notes and groups they resolve to, keeps every replaced or
// conflicting version in the note's history, and turns a deletion into a recently deleted note,
// all in the transaction that notes the batch read.
class NotebookReplica : public SyncReplica
{
public:
    explicit NotebookReplica(Notebook &notebook);
    ~NotebookReplica() override;

    QByteArray computer() const override;
    bool renewComputer() override;
    QByteArray placeId() const override;
    std::shared_ptr<SecretKey> key() const override;
    bool joinPlace(const QByteArray &placeId, const std::shared_ptr<SecretKey> &key) override;
    bool empty() const override;
    QList<Revisions::Revision> unsent(quint64 *number) override;
    bool sent(quint64 number) override;
    quint64 read(const QByteArray &computer) const override;
    bool apply(const QByteArray &computer, quint64 number, const QList<Revisions::Revision> &revisions) override;
    QList<Revisions::Revision> everything() const override;
    QHash<QByteArray, quint64> readUpTo() const override;
    bool applySnapshot(const QHash<QByteArray, quint64> &covered, const QList<Revisions::Revision> &revisions) override;

private:
    Notebook &nb_;
};

// Where this notebook syncs and how, kept in the notebook (so it goes with the file); nothing
// until the user set it up.
struct SyncSettings
{
    enum class Kind { WebDav, Folder };
    Kind kind = Kind::WebDav;
    QString address;  // the WebDAV folder's URL, or the local folder's path
    QString user;     // WebDAV only
    QString password; // WebDAV only; never kept in the notebook (SyncSetup::write leaves it out)
    bool automatic = true;
};

namespace SyncSetup {
std::optional<SyncSettings> read(Notebook &notebook);
bool write(Notebook &notebook, const SyncSettings &settings);
// Forgets the place, its key and what was read there (the revisions made here stay), so the
// notebook can join another place.
bool leave(Notebook &notebook);
} // namespace SyncSetup

// Notes whose versions were changed on two computers between syncs: one version shows, the
// others are in the note's history marked as conflicts, until the user picks one (a save) or
// dismisses the mark.
namespace SyncConflicts {
struct Conflict
{
    qint64 noteId = 0;
    QString title;
    int versions = 0; // versions in conflict, the shown one included
};
std::optional<QList<Conflict>> list(Notebook &notebook);
bool dismiss(Notebook &notebook, qint64 noteId);
} // namespace SyncConflicts
