#pragma once

#include <QString>
#include <functional>

struct AppState;
class Prompter;
class QDialog;
class QWidget;

// Small pieces the command files of the main window share.
namespace cmd {

// Title of every message box the commands show.
QString notice();
// "\r\n", the line break inside message texts.
QString crlf();
// The file choosers' filter of notebook files.
QString databaseFilter();

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
