#pragma once

#include <QString>
#include <functional>

struct AppState;
class DBase;
class Prompter;
class QDialog;
class QWidget;

// Small pieces the command files of the main window share.
namespace cmd {

// Title of every message box the commands show.
QString notice();
// "\r\n", the line break inside message texts.
QString crlf();

// Shows one of our own dialogs modally and tells whether the user confirmed it. Only a dialog
// that itself reported DialogResult 1 counts: one closed in any other way (its close box, a
// failure to show) counts as cancelled, whatever DialogResult held before.
bool confirmed(AppState &state, Prompter &prompter, QDialog &dialog);

// Before a notebook at path is opened: an encrypted one asks for its password first, with the
// password prompt and its retry loop, so nothing of the notes is read before it fits; the owner
// is shown behind the prompt. Unlocked leaves the key with db for the OpenDatabase that follows.
enum class Unlock { NotEncrypted, Unlocked, Cancelled, Damaged };
Unlock unlockBeforeOpen(DBase &db, const QString &path, AppState &state, Prompter &prompter, QWidget *owner);

// A filter written as "description|pattern|description|pattern|" in the form the file choosers
// take ("description (pattern);;..."). A description that already names its pattern in
// parentheses is kept as it is.
QString chooserFilter(const QString &filter);

// Runs work on a helper thread while the caller waits without taking user input. Once the work
// has run for minimumDurationMs a progress dialog with label appears over parent; it goes away
// when the work ends. Returns what work returned (0 if it threw).
int runWithProgress(QWidget *parent, const QString &label, const std::function<int()> &work,
                    int minimumDurationMs = 500);

} // namespace cmd
