// qb-bench-windowsync [notes]: how long the window's event loop stands still while 立即同步 runs
// on a large notebook: the longest gap between two turns of the loop, from the command until the
// status strip says how it ended. First the notebook's first sync to an empty folder (its
// passphrase made, every note sent); then a second window makes a notebook from that folder
// (从同步位置打开...: every note taken in, the new notebook opened). Run under a display
// (xvfb-run) or with QT_QPA_PLATFORM=offscreen.

#include "NotebookGenerator.h"
#include "common/ScriptedPrompter.h"

#include "base/AppState.h"
#include "mainwindow/frmmain.h"
#include "settings/Settings.h"
#include "store/Notebook.h"
#include "sync/NotebookReplica.h"

#include <QApplication>
#include <QDateTime>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>
#include <functional>
#include <memory>

namespace {

const QString kPassphrase = QStringLiteral("bench passphrase");

struct Window
{
    AppState state;
    Settings settings;
    Notebook db;
    ScriptedPrompter prompter;
    std::unique_ptr<frmmain> w;

    bool start(const QString &path)
    {
        w = std::make_unique<frmmain>(state, settings, db, prompter, QStringList{path});
        w->setInstanceCheck([] { return false; });
        if (!w->Form_Load())
            return false;
        w->show();
        w->Form_Activate();
        return true;
    }
    QString status() const { return w->findChild<QLabel *>(QStringLiteral("lblSync"))->text(); }
};

ScriptedPrompter::DialogScript typePassphrase()
{
    return [](QDialog *d) {
        for (QLineEdit *box : d->findChildren<QLineEdit *>())
            box->setText(kPassphrase);
        d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        return d->result();
    };
}

ScriptedPrompter::DialogScript chooseFolder(const QString &folder)
{
    return [folder](QDialog *d) {
        d->findChild<QRadioButton *>(QStringLiteral("optFolder"))->setChecked(true);
        d->findChild<QLineEdit *>(QStringLiteral("txtFolder"))->setText(folder);
        d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        return d->result();
    };
}

// With QB_BENCH_STACK set, the first time the loop stands still for over two seconds the main
// thread's stack is printed (gdb), to tell what it waited for.
std::atomic<qint64> lastTurnMs{0};
void watchTheLoop()
{
    if (!qEnvironmentVariableIsSet("QB_BENCH_STACK"))
        return;
    std::thread([] {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const qint64 last = lastTurnMs.load();
            if (last > 0 && QDateTime::currentMSecsSinceEpoch() - last > 2000) {
                const QByteArray gdb = "gdb -batch -p " + QByteArray::number(qint64(getpid()))
                                       + " -ex 'thread apply 1 bt 40' 2>/dev/null | grep '^#'";
                std::fflush(stdout);
                std::system(gdb.constData());
                return;
            }
        }
    }).detach();
}

// Runs the command, turns the loop until done() and prints the time and the longest gap.
template <typename Done>
void measure(const char *what, const std::function<void()> &command, Done done)
{
    QElapsedTimer total, sinceTurn;
    qint64 longest = 0;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const qint64 gap = sinceTurn.nsecsElapsed();
        if (qEnvironmentVariableIsSet("QB_BENCH_GAPS") && gap > 30000000)
            std::printf("  pause of %.1f ms ending at %.2f s\n", gap / 1e6, total.nsecsElapsed() / 1e9);
        longest = std::max(longest, gap);
        sinceTurn.restart();
        lastTurnMs.store(QDateTime::currentMSecsSinceEpoch());
    });
    total.start();
    sinceTurn.start();
    turn.start();
    command();
    while (!done() && total.elapsed() < 30 * 60 * 1000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    turn.stop();
    std::printf("%-44s %9.1f s, longest pause of the event loop %7.1f ms\n", what, total.nsecsElapsed() / 1e9,
                longest / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int notes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    const QString mine = home.filePath(QStringLiteral("mine.qbf"));
    const QString place = home.filePath(QStringLiteral("place"));
    QDir().mkpath(place);
    const QString error = NotebookGenerator::generate(mine, notes, 100);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "qb-bench-windowsync: %s\n", qPrintable(error));
        return 1;
    }
    {
        Notebook db;
        SyncSettings s;
        s.kind = SyncSettings::Kind::Folder;
        s.address = place;
        s.automatic = false;
        if (!db.open(mine) || !SyncSetup::write(db, s)) {
            std::fprintf(stderr, "qb-bench-windowsync: %s\n", qPrintable(db.lastError()));
            return 1;
        }
    }
    std::printf("%d notes\n", notes);
    watchTheLoop();

    Window a;
    if (!a.start(mine))
        return 1;
    a.prompter.dialogScripts << typePassphrase();
    measure("first sync, every note sent", [&] { a.w->run(Cmd::SyncNow); },
            [&] { return !a.status().isEmpty() && a.status() != QStringLiteral("正在同步…"); });
    std::printf("  status: %s\n", qPrintable(a.status()));

    // The second window starts on a notebook of its own, then makes one from the folder.
    Window b;
    const QString other = home.filePath(QStringLiteral("other.qbf"));
    const QString joined = home.filePath(QStringLiteral("joined.qbf"));
    if (!NotebookGenerator::generate(other, 0, 1).isEmpty() || !b.start(other))
        return 1;
    b.prompter.dialogScripts << chooseFolder(place) << typePassphrase();
    b.prompter.saveAnswers << joined;
    measure("a notebook made from the folder, opened", [&] { b.w->run(Cmd::OpenFromSync); },
            [&] { return b.db.path() == joined || !b.prompter.messages.isEmpty(); });
    std::printf("  status: %s, %d notes listed\n", qPrintable(b.status()), b.w->listedNotes());
    for (const ScriptedPrompter::Message &m : b.prompter.messages)
        std::printf("  said: %s\n", qPrintable(m.text));
    a.w->close();
    b.w->close();
    return 0;
}
