#include "dialogs/KeepSettings.h"

#include "store/AutoBackup.h"

namespace Tools {

KeepLimits KeepLimitsOf(const Settings &s)
{
    return {s.gKeepDays, s.gKeepVersions, s.gKeepPercent};
}

void SetKeepLimits(Settings &s, const KeepLimits &limits)
{
    s.gKeepDays = qint16(limits.days);
    s.gKeepVersions = qint16(limits.versionsPerNote);
    s.gKeepPercent = qint16(limits.historyPercent);
}

QString BackupFolderOf(const Settings &s)
{
    return s.gBackupFolder.trimmed().isEmpty() ? AutoBackup::defaultFolder() : s.gBackupFolder;
}

} // namespace Tools
