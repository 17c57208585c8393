#pragma once

#include "store/Import.h"

#include <QString>
#include <optional>
#include <vector>

// The rows of an old notebook as read from its Jet file, in the store's import form: Null fields
// stay empty optionals, so the new notebook keeps them as Null. The password is still the plain
// text the old file kept; it is hashed only when the new notebook is written.
struct LegacyNotebook
{
    std::optional<QString> password; // the admin row's vPassword; no row = no value
    std::vector<ImportGroup> groups;
    std::vector<ImportNote> notes;
};
