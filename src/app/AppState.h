#pragma once

#include "store/CurrentNote.h"

#include <QString>
#include <QtGlobal>

// The process-wide values through which dialogs hand results to their caller.
// main() owns the one instance; tests build their own.
struct AppState
{
    int DialogResult = 0; // 1 confirmed, 2 cancelled
    bool IsNewNote = false;
    bool IsNewGroup = false;
    QString CurrentGroupName;
    qint64 MoveTargetGroupId = 0;
    CurrentNote note;
    QString gPassword;      // stored form of the open notebook's access password; "" = none
    QString gInputPassword; // what the user last typed in a password dialog
};
