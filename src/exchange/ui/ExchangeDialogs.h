#pragma once

#include "exchange/Export.h"

#include <QStringList>

#include <optional>
#include <vector>

class Notebook;
class Prompter;
class QWidget;

namespace exchange {

// The export formats as the choosers list them: "网页(*.html)" first.
struct FormatChoice
{
    Format format;
    QString filter;
};
const std::vector<FormatChoice> &exportFormats();

// The file chooser's filter for export.
QString exportFilter();

// Where and as what the user wants the scope exported: a file for a note, a folder otherwise.
struct ExportTarget
{
    Format format;
    QString path;
};

// Asks for the target: a note in the save chooser, whose selected type decides the format; a
// group or the notebook in a dialog that asks for a folder and a format. title names the scope.
// Empty when the user cancelled.
std::optional<ExportTarget> askExportTarget(QWidget *parent, Prompter &prompter, const ExportScope &scope,
                                            const QString &title, const QString &folder);

// The file chooser's filter for import: the files a folder import would take, or any file.
QString importFilter();

// Exports the scope with a progress dialog that can cancel, asking before an existing file is
// replaced, and ends with a message that says how many files were written where and which
// existing ones were kept (or why it failed).
void exportWithDialogs(QWidget *parent, Prompter &prompter, Notebook &db, const ExportScope &scope,
                       const ExportTarget &target);

// Imports files and folders into the group with a progress dialog, and ends with one message: how
// many notes were added, which files were not imported and why. Returns the ID of the last note
// added; 0 when none was.
qint64 importWithDialogs(QWidget *parent, Prompter &prompter, Notebook &db, qint64 groupId,
                      const QStringList &paths);

// Shows the scope (a note, or a group's notes each from a new page) in a print preview from
// which it can be printed.
void printPreview(QWidget *parent, Prompter &prompter, Notebook &db, const ExportScope &scope);

} // namespace exchange
