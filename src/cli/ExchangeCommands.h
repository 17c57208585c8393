#pragma once

#include "cli/Cli.h"

// quillbook-cli export and import: the engine the window's menu items use.
namespace Cli {

int exportNotes(const Args &args);
int importFiles(const Args &args);

// Whether the command line lays out text or reads Markdown, which takes fonts and so a GUI
// application (an offscreen one will do): imports, and exports other than text and RTF.
bool needsFonts(const QStringList &arguments);

} // namespace Cli
