// Putting a notebook's automatic copies under its new password (declared in AutoBackup.h).
#include "store/AutoBackup.h"

#include "store/DBase.h"

namespace AutoBackup {

bool reencrypt(const QString &copy, const QString &oldPassword, const QString &newPassword,
               NotebookHeader::Cost cost, QString *error)
{
    DBase db;
    db.DatabasePath = copy;
    // A copy under a password older than the one just replaced stays as it is.
    if (db.OpenWithPassword(oldPassword) != DBase::Access::Opened) {
        *error = db.lastError();
        return false;
    }
    db.PasswordCost = cost;
    if (db.WritePassword(newPassword) != 1) {
        *error = db.lastError();
        return false;
    }
    return true;
}

} // namespace AutoBackup
