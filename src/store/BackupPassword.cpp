// Putting a notebook's automatic copies under its new password (declared in AutoBackup.h).
#include "store/AutoBackup.h"

#include "store/Notebook.h"

namespace AutoBackup {

bool reencrypt(const QString &copy, const QString &oldPassword, const QString &newPassword,
               NotebookHeader::Cost cost, QString *error)
{
    Notebook db;
    // A copy under a password older than the one just replaced stays as it is.
    if (db.openWithPassword(copy, oldPassword) != Notebook::Access::Opened) {
        *error = db.lastError();
        return false;
    }
    db.setPasswordCost(cost);
    if (!db.writePassword(newPassword)) {
        *error = db.lastError();
        return false;
    }
    return true;
}

} // namespace AutoBackup
