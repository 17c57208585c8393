#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

// Rows of a notebook carried over from another file, written as they are: their IDs, NULL
// fields (std::nullopt) and values this program would never write itself (icons outside
// 1..24, IDs above 32767, odd colour texts). The schema's own limits still hold: "" and more
// than 50 characters in a limited text column are refused, and so is the whole import.
struct ImportGroup
{
    qint64 ID = 0;
    std::optional<QString> vGroupName;
};

struct ImportNote
{
    qint64 ID = 0;
    std::optional<QString> nNoteTitle;
    std::optional<QString> nAddDate;
    std::optional<QString> nLastUpdate;
    std::optional<QString> nPriority;
    std::optional<qint64> nIcon;
    std::optional<qint64> nGroupID;
    std::optional<QString> nColor;
    std::optional<QString> nNote;
};

struct ImportRows
{
    // Stored forms of the access password, in row order: a hash from Notebook::hashPassword, or ""
    // for none; nullopt is a NULL row. Never a plain-text password.
    std::vector<std::optional<QString>> admin;
    std::vector<ImportGroup> groups;
    std::vector<ImportNote> notes;
};

// Creates a new notebook at path holding exactly these rows, in one transaction. Refuses an
// existing path; on any failure nothing is left at path. Returns 1 or 0 (reason in *error).
// Auto-increment continues after the highest imported ID.
int ImportNotebook(const QString &path, const ImportRows &rows, QString *error);
