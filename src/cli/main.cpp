// quillbook-cli: the notebook store and the RTF reader from the command line, without windows.
#include "QuillbookVersion.h"
#include "cli/Cli.h"

#include <QCoreApplication>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    // The RTF reader fills documents and images without fonts or a screen, so a core
    // application will do: no platform plugin is loaded.
    QCoreApplication app(argc, argv);
    // A broken picture in a body is left out of the text; the reader says enough about it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio=false"));
    QCoreApplication::setApplicationName(QStringLiteral("quillbook-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLBOOK_VERSION));
    return Cli::run(QCoreApplication::arguments().mid(1));
}
