// quillbook-cli: the notebook store and the RTF reader from the command line, without windows.
#include "QuillbookVersion.h"
#include "cli/Cli.h"
#include "cli/ExchangeCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <memory>

int main(int argc, char *argv[])
{
    // The RTF reader fills documents and images without fonts or a screen, so a core
    // application will do: no platform plugin is loaded. Laying out PDF pages and Markdown
    // take fonts, and so a GUI application; an offscreen one needs no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    std::unique_ptr<QCoreApplication> app;
    if (Cli::needsFonts(arguments)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Its start-up remarks (no XDG_RUNTIME_DIR under cron, say) are no business of a script's.
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // A broken picture in a body is left out of the text; the reader says enough about it.
    // (These rules replace the ones above.)
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio=false"));
    QCoreApplication::setApplicationName(QStringLiteral("quillbook-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLBOOK_VERSION));
    return Cli::run(QCoreApplication::arguments().mid(1));
}
