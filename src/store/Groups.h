#pragma once

#include "store/Sinks.h"

#include <QString>
#include <QtGlobal>

#include <optional>

class Notebook;

// The groups of the open notebook: listing, adding, renaming and deleting them. Owns nothing but
// its reference to the session, which keeps the reason of a failure (Notebook::lastError()).
class Groups
{
public:
    explicit Groups(Notebook &notebook) : nb_(notebook) {}

    // The root (the notebook's file name) and every group; false when the read did not complete.
    bool load(GroupSink &tree);
    // The new group's ID.
    std::optional<qint64> add(const QString &name);
    // An id that matches no group changes nothing and still succeeds.
    bool rename(qint64 id, const QString &name);
    // The group and all its notes, together or not at all.
    bool remove(qint64 id);

private:
    Notebook &nb_;
};
