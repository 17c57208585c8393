// The real file choosers of the dialog seam, driven under the offscreen platform, and Qt's own
// texts in Chinese.
#include "app/QtPrompter.h"
#include "app/QtTexts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

class tst_Prompter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileChoosers_data();
    void fileChoosers();
    void enterAnswersTheDefault_data();
    void enterAnswersTheDefault();
    void qtTextsInChinese();
};

void tst_Prompter::fileChoosers_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("folderGiven");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("picked"); // the type chosen in a save chooser ("" = the one shown first)

    QTest::newRow("nominal: save onto an existing file asks nothing of its own") << true << true << true << "";
    QTest::newRow("nominal: save of a new file") << true << true << false << "";
    QTest::newRow("nominal: the type picked in a save chooser comes back") << true << true << false << "PDF(*.pdf)";
    QTest::newRow("nominal: open starts in the folder given") << false << true << true << "";
    QTest::newRow("robustness: no folder given starts at home") << false << false << true << "";
}

void tst_Prompter::fileChoosers()
{
    QFETCH(bool, save);
    QFETCH(bool, folderGiven);
    QFETCH(bool, exists);
    QFETCH(QString, picked);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("book.qbf"));
    if (exists) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    // Answers whatever the chooser shows with the file until it closes (its folder may still be
    // loading at first), giving up after a while; any question box is noted and answered No.
    QString startedIn;
    int questions = 0;
    int attempts = 0;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            ++questions;
            box->reject();
        } else if (auto *chooser = qobject_cast<QFileDialog *>(modal)) {
            if (++attempts > 100) {
                chooser->reject();
                return;
            }
            if (startedIn.isEmpty())
                startedIn = chooser->directory().absolutePath();
            if (!picked.isEmpty())
                chooser->selectNameFilter(picked);
            // Typed, as a user would: selectFile() does not take a file that does not exist yet.
            if (auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(file);
            static_cast<QDialog *>(chooser)->accept();
        }
    });
    poll.start();

    QtPrompter prompter;
    const QString folder = folderGiven ? dir.path() : QString();
    const QString filter = QStringLiteral("数据库文件(*.qbf);;PDF(*.pdf)");
    QString selected = QStringLiteral("数据库文件(*.qbf)");
    const QString chosen = save ? prompter.saveFileName(nullptr, QStringLiteral("Backup"), filter, folder, &selected)
                                : prompter.openFileName(nullptr, QStringLiteral("打开"), filter, folder);
    poll.stop();

    QCOMPARE(selected, picked.isEmpty() ? QStringLiteral("数据库文件(*.qbf)") : picked);
    QCOMPARE(questions, 0);
    QCOMPARE(chosen, file);
    QCOMPARE(startedIn, QDir(folderGiven ? dir.path() : QDir::homePath()).absolutePath());
}

void tst_Prompter::enterAnswersTheDefault_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("answer");

    QTest::newRow("nominal: a plain question takes Yes") << int(Prompter::Question) << int(Prompter::Yes);
    QTest::newRow("robustness: a question that throws work away takes No")
        << int(Prompter::QuestionDefaultNo) << int(Prompter::No);
}

void tst_Prompter::enterAnswersTheDefault()
{
    QFETCH(int, style);
    QFETCH(int, answer);

    // Enter is pressed on the real box as soon as it shows.
    bool pressed = false;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            pressed = true;
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    poll.start();
    QtPrompter prompter;
    const int got = prompter.msgBox(nullptr, QStringLiteral("文档已修改，要放弃修改吗？"), style, QStringLiteral("提示"));
    poll.stop();
    QVERIFY(pressed);
    QCOMPARE(got, answer);
}

void tst_Prompter::qtTextsInChinese()
{
    QTranslator texts;
    QVERIFY2(installQtChineseTexts(texts), "Qt's translations are missing (scripts/deps.sh installs them)");
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    QVERIFY(QCoreApplication::removeTranslator(&texts));
}

QTEST_MAIN(tst_Prompter)
#include "tst_prompter.moc"
