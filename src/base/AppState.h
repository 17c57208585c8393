#pragma once

#include "base/CurrentNote.h"

#include <QString>
#include <QtGlobal>

// The process-wide values: the current note and group, the open notebook's password, the typed
// password while it is needed. Dialogs take their inputs as arguments and give their answer
// through exec()'s result and their own accessors. main() owns the one instance; tests build
// their own.
struct AppState
{
    QString CurrentGroupName; // the selected group's name
    CurrentNote note;
    QString gPassword;      // stored form of the open notebook's access password; "" = none
    QString gInputPassword; // what the user last typed in a password dialog
};
