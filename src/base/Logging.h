#pragma once

#include <QLoggingCategory>

// One logging category per layer, so the reason of a failure reaches a log that can be filtered
// ("QT_LOGGING_RULES=qb.store.warning=false"). The store keeps its reasons in lastError(); the
// layer that meets a failure logs the reason under the category of the layer it came from:
// qb.store for the notebook's database, qb.files for copying and replacing notebook files,
// qb.editor for files read into or written from a note, qb.legacy for converting old notebooks,
// qb.sync for syncing with a place.
inline const QLoggingCategory &lcStore()
{
    static const QLoggingCategory category("qb.store");
    return category;
}

inline const QLoggingCategory &lcFiles()
{
    static const QLoggingCategory category("qb.files");
    return category;
}

inline const QLoggingCategory &lcEditor()
{
    static const QLoggingCategory category("qb.editor");
    return category;
}

inline const QLoggingCategory &lcLegacy()
{
    static const QLoggingCategory category("qb.legacy");
    return category;
}

inline const QLoggingCategory &lcSync()
{
    static const QLoggingCategory category("qb.sync");
    return category;
}
