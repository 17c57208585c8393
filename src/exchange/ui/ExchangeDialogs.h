#pragma once

#include "exchange/Export.h"

#include <QStringList>

class DBase;
class Prompter;
class QWidget;

namespace exchange {

// The file chooser's filter for export; the chosen name's extension picks the format.
QString exportFilter();

// The file chooser's filter for import: the files a folder import would take, or any file.
QString importFilter();

// Exports the scope with a progress dialog that can cancel, asking before an existing file is
// replaced, and tells the user when it failed. target is what the user chose in the save
// dialog: the export goes into a folder of that name (its extension, which names the format,
// left off). Returns true when everything was written.
bool exportWithDialogs(QWidget *parent, Prompter &prompter, DBase &db, const ExportScope &scope,
                       const QString &target);

// Imports files and folders into the group with a progress dialog, and ends with one message: how
// many notes were added, which files were not imported and why. Returns the number of notes added.
int importWithDialogs(QWidget *parent, Prompter &prompter, DBase &db, qint64 groupId,
                      const QStringList &paths);

// Shows the scope (a note, or a group's notes each from a new page) in a print preview from
// which it can be printed.
void printPreview(QWidget *parent, Prompter &prompter, DBase &db, const ExportScope &scope);

} // namespace exchange
