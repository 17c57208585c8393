// qb-bench-listing [notes]: inside one process, times what the user waits for in the main window on
// a large notebook: the root node listing every note, a column sort of that list, the icon layout,
// and a group click. Run under a display (xvfb-run) or with QT_QPA_PLATFORM=offscreen.

#include "NotebookGenerator.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/frmmain.h"
#include "settings/Settings.h"
#include "store/Notebook.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Nothing is asked during these steps; any question is answered with its neutral reply.
class SilentPrompter : public Prompter
{
public:
    int msgBox(QWidget *, const QString &text, int, const QString &) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Ok;
    }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QStringList openFileNames(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &, QString *) override { return {}; }
    QString folderName(QWidget *, const QString &, const QString &) override { return {}; }
    std::optional<QColor> color(QWidget *, const QColor &) override { return std::nullopt; }
    std::optional<QFont> font(QWidget *, const QFont &) override { return std::nullopt; }
    int exec(QDialog *) override { return QDialog::Rejected; }
    void beep() override {}
    bool openUrl(const QString &) override { return false; }
};

template <class F>
double timed(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    QApplication::processEvents(); // includes the repaint the change asked for
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int notes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    const QString path = home.filePath(QStringLiteral("list.qbf"));
    const QString error = NotebookGenerator::generate(path, notes, 100);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "qb-bench-listing: %s\n", qPrintable(error));
        return 1;
    }

    AppState state;
    Settings settings;
    Notebook db;
    SilentPrompter prompter;
    frmmain w(state, settings, db, prompter, {path});
    w.setInstanceCheck([] { return false; });
    if (!w.Form_Load())
        return 1;
    w.show();
    w.Form_Activate();
    QApplication::processEvents();
    // The list as a user reaches it: clicks on its header, its layout switched.
    auto *list = w.findChild<NoteListView *>(QStringLiteral("noteList"));

    std::printf("%d notes in the notebook\n", notes);
    const double root = timed([&] { w.SelectNode(1); });
    std::printf("root node, all notes listed:   %8.1f ms (%d rows)\n", root, w.listedNotes());
    std::printf("sort by title:                 %8.1f ms\n", timed([&] { Q_EMIT list->columnClick(1); }));
    std::printf("sort by date:                  %8.1f ms\n", timed([&] { Q_EMIT list->columnClick(2); }));
    std::printf("icon layout:                   %8.1f ms\n", timed([&] { list->setView(0); }));
    std::printf("report layout:                 %8.1f ms\n", timed([&] { list->setView(3); }));
    const double group = timed([&] { w.SelectNode(2); });
    std::printf("first group:                   %8.1f ms (%d rows)\n", group, w.listedNotes());
    std::printf("a note clicked:                %8.1f ms\n", timed([&] { w.SelectItem(2); }));
    w.close();
    return 0;
}
