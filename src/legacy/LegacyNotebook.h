#pragma once

#include <QList>
#include <QString>
#include <optional>

// The rows of an old notebook as read from its Jet file. Null fields stay empty optionals, so the
// new notebook keeps them as Null.
struct LegacyGroup
{
    qint64 id = 0;
    std::optional<QString> name;
};

struct LegacyNote
{
    qint64 id = 0;
    std::optional<QString> title, addDate, lastUpdate, priority;
    std::optional<qint64> icon, groupId;
    std::optional<QString> color, body;
};

struct LegacyNotebook
{
    std::optional<QString> password; // the admin row's vPassword; no row = no value
    QList<LegacyGroup> groups;
    QList<LegacyNote> notes;
};
