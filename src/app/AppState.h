#pragma once

#include "store/CurrentNote.h"

#include <QString>
#include <QtGlobal>

// The process-wide values: the current note and group, the open notebook's password. Dialogs
// give their answer through exec()'s result and their own accessors; DialogResult and IsNewNote
// remain for the note editor and the password dialogs, which still report through them.
// main() owns the one instance; tests build their own.
struct AppState
{
    int DialogResult = 0; // 1 confirmed, 2 cancelled
    bool IsNewNote = false;
    QString CurrentGroupName; // the selected group's name
    CurrentNote note;
    QString gPassword;      // stored form of the open notebook's access password; "" = none
    QString gInputPassword; // what the user last typed in a password dialog
};
