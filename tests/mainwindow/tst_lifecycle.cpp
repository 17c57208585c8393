// The notebook's life cycle as the window follows it: File→Open on a real window announces what
// became of the notebook, and the commands' enabled states follow those announcements alone.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include "mainwindow/NotebookLifecycle.h"

#include <QtTest>

using namespace CommandTesting;

class tst_Lifecycle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openAnnounced_data();
    void openAnnounced();
};

void tst_Lifecycle::openAnnounced_data()
{
    QTest::addColumn<QString>("kind"); // of the chosen file: plain, encrypted, junk
    QTest::addColumn<QString>("answer"); // to its password prompt: type, cancel, none
    QTest::addColumn<QString>("announced"); // what the life cycle said, in order
    QTest::addColumn<QString>("shown"); // the groups the tree shows afterwards
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("locked");

    QTest::newRow("nominal: a plain notebook opens") << "plain"
                                                     << "none"
                                                     << "closed opened"
                                                     << "新本" << true << false;
    QTest::newRow("nominal: an encrypted notebook opens with its password") << "encrypted"
                                                                            << "type"
                                                                            << "closed closed opened"
                                                                            << "新本" << true << false;
    QTest::newRow("nominal: its prompt cancelled, it stays locked") << "encrypted"
                                                                    << "cancel"
                                                                    << "closed locked"
                                                                    << "" << false << true;
    QTest::newRow("robustness: a file that is no notebook, back to the one before")
        << "junk"
        << "none"
        << "failed reopened"
        << "工作 生活 空组" << true << false;
}

void tst_Lifecycle::openAnnounced()
{
    QFETCH(QString, kind);
    QFETCH(QString, answer);
    QFETCH(QString, announced);
    QFETCH(QString, shown);
    QFETCH(bool, open);
    QFETCH(bool, locked);

    MainWindowHarness h;
    QCOMPARE(h.showOnSample(QStringLiteral("a.qbf")), QString());
    frmmain &w = *h.window;
    const QString chosen = h.path(QStringLiteral("b.qbf"));
    if (kind == "junk") {
        QFile junk(chosen);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(8192, 'x'));
    } else {
        const QString password = kind == "encrypted" ? QStringLiteral("pw") : QString();
        QCOMPARE(MainWindowHarness::makeNotebook(chosen, {{QStringLiteral("新本"), {}}}, password), QString());
    }
    if (answer == "type")
        h.prompter.dialogScripts.enqueue(typePassword(QStringLiteral("pw")));
    else if (answer == "cancel")
        h.prompter.dialogScripts.enqueue(cancel());

    auto *life = w.findChild<NotebookLifecycle *>();
    QVERIFY(life);
    QStringList said;
    connect(life, &NotebookLifecycle::opened, &w, [&] { said << QStringLiteral("opened"); });
    connect(life, &NotebookLifecycle::closed, &w, [&] { said << QStringLiteral("closed"); });
    connect(life, &NotebookLifecycle::locked, &w, [&] { said << QStringLiteral("locked"); });
    connect(life, &NotebookLifecycle::reopened, &w, [&] { said << QStringLiteral("reopened"); });
    connect(life, &NotebookLifecycle::failed, &w, [&] { said << QStringLiteral("failed"); });

    h.prompter.openAnswers.enqueue(chosen);
    w.run(Cmd::OpenNotebook);

    QCOMPARE(said.join(QLatin1Char(' ')), announced);
    QCOMPARE(life->isOpen(), open);
    QCOMPARE(life->isLocked(), locked);
    QCOMPARE(groupNames(w).join(QLatin1Char(' ')), shown);
    // The enabled states followed what was announced.
    QCOMPARE(w.action(Cmd::BackupNotebook)->isEnabled(), open);
    QCOMPARE(w.action(Cmd::UnlockNotebook)->isEnabled(), locked);
    QCOMPARE(probe(w).searchBox()->isEnabled(), open);
    // Only the notebook shown before has notes; falling back to it left its list as it was.
    QCOMPARE(probe(w).noteList()->count() > 0, kind == "junk");
}

QTEST_MAIN(tst_Lifecycle)
#include "tst_lifecycle.moc"
