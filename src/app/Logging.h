#pragma once

#include <QLoggingCategory>

// One logging category per layer, so the reason of a failure reaches a log that can be filtered
// ("QT_LOGGING_RULES=qb.store.warning=false"). The store keeps its reasons in lastError(); the
// layer that meets a failure logs the reason under the category of the layer it came from:
// qb.store for the notebook's database, qb.files for copying and replacing notebook files.
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
