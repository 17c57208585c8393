#include "app/QtPrompter.h"
#include "app/QtTexts.h"
#include "base/AppState.h"
#include "mainwindow/Commands.h"
#include "mainwindow/frmmain.h"
#include "search/NoteIndex.h"
#include "settings/Instance.h"
#include "settings/Settings.h"
#include "store/Notebook.h"

#include <QApplication>
#include <QTimer>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillbook"));
    QApplication::setApplicationName(QStringLiteral("Quillbook"));
    QTranslator qtTexts;
    installQtChineseTexts(qtTexts);

    // A later start brings the running window forward and ends quietly; only a running one that
    // does not answer leaves the window's own refusal to say so.
    const bool quitAfterStart = qEnvironmentVariableIntValue("QUILLBOOK_QUIT_AFTER_START") == 1;
    Tools::InstanceLock &instance = Tools::ProcessLock();
    if (instance.IsPrevInstance() && instance.callHolder())
        return quitAfterStart ? 3 : 0;

    AppState state;
    Settings settings;
    Notebook db;
    NoteIndex::attach(db);
    QtPrompter prompter;

    frmmain w(state, settings, db, prompter, QApplication::arguments().mid(1));
    // For measuring start-up: leave as soon as the window shows its first group and note, with
    // status 0 only when it did show notes (so a measurement of an empty window is noticed).
    if (quitAfterStart) {
        w.setAfterFirstActivate([&w] {
            w.repaint();
            const int code = w.listedNotes() > 0 ? 0 : 4;
            QTimer::singleShot(0, qApp, [code] { QApplication::exit(code); });
        });
    }
    w.Form_Initialize();
    if (!w.Form_Load())
        return quitAfterStart ? 3 : 0;
    w.show();
    instance.listen(&w, [&w] { w.run(Cmd::RestoreWindow); });
    // Some window systems (or none, under a bare X server) never activate the window; the first
    // activation must not depend on that.
    QTimer::singleShot(0, &w, &frmmain::Form_Activate);
    return app.exec();
}
