#pragma once

#include "settings/Settings.h"
#include "store/History.h"

#include <QString>

// The options dialog's keep numbers as the store takes them, and the folder of automatic copies.
// Here, above both, so the settings need nothing of the store.
namespace Tools {

KeepLimits KeepLimitsOf(const Settings &s);
void SetKeepLimits(Settings &s, const KeepLimits &limits);
// The folder chosen in the options, else the store's default folder of automatic copies.
QString BackupFolderOf(const Settings &s);

} // namespace Tools
