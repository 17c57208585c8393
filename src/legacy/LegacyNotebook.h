#pragma once

#include "store/Import.h"

#include <QString>
#include <optional>
#include <vector>

// The rows of an old notebook as read from its Jet file, in the store's import form: Null fields
// stay empty optionals, so the new notebook keeps them as Null. The password is still the plain
// text the old file kept; it is hashed only when the new notebook is written.
// What of a damaged old notebook could not be read: rows read in part (named by ID and, when it
// could be read, title or name) and rows lost whole. "Some lost" stands for pages whose number of
// rows is not known.
struct LegacyDamage
{
    struct Row
    {
        qint64 ID = 0;
        std::optional<QString> name;
    };
    std::vector<Row> partialNotes;
    std::vector<Row> partialGroups;
    qint64 lostNotes = 0;
    qint64 lostGroups = 0;
    bool someNotesLost = false;
    bool someGroupsLost = false;
    bool any() const
    {
        return !partialNotes.empty() || !partialGroups.empty() || lostNotes > 0 || lostGroups > 0 || someNotesLost
            || someGroupsLost;
    }
};

struct LegacyNotebook
{
    std::optional<QString> password; // the admin row's vPassword; no row = no value
    std::vector<ImportGroup> groups;
    std::vector<ImportNote> notes;
    LegacyDamage damage;
};
