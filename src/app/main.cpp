#include "app/AppState.h"
#include "app/QtPrompter.h"
#include "mainwindow/frmmain.h"
#include "settings/Settings.h"
#include "store/DBase.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillbook"));
    QApplication::setApplicationName(QStringLiteral("Quillbook"));

    AppState state;
    Settings settings;
    DBase db;
    QtPrompter prompter;

    frmmain w(state, settings, db, prompter, QApplication::arguments().mid(1));
    // For measuring start-up: leave as soon as the window shows its first group and note.
    if (qEnvironmentVariableIntValue("QUILLBOOK_QUIT_AFTER_START") == 1) {
        w.setAfterFirstActivate([&w] {
            w.repaint();
            QTimer::singleShot(0, qApp, &QApplication::quit);
        });
    }
    w.Form_Initialize();
    if (!w.Form_Load())
        return 0;
    w.show();
    // Some window systems (or none, under a bare X server) never activate the window; the first
    // activation must not depend on that.
    QTimer::singleShot(0, &w, &frmmain::Form_Activate);
    return app.exec();
}
