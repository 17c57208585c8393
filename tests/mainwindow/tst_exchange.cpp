// Export, print and import from the window: the menu items' enabled states, the commands reaching
// the files, and files dropped from a file manager on the note list and the group tree.
#include "CommandTesting.h"
#include "WindowProbe.h"

#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <QtTest>

using namespace CommandTesting;

class tst_Exchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enabledStates_data();
    void enabledStates();
    void exportAndPrint_data();
    void exportAndPrint();
    void existingFiles_data();
    void existingFiles();
    void importCommands_data();
    void importCommands();
    void drops_data();
    void drops();
};

namespace {

// Writes files under folder; returns their paths.
QStringList writeFiles(const QString &folder, const QStringList &names)
{
    QStringList paths;
    for (const QString &name : names) {
        const QString file = QDir(folder).filePath(name);
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.write((QStringLiteral("正文 ") + name).toUtf8());
        paths << file;
    }
    return paths;
}

// The node index of a group of the sample notebook by name; 1 is the root.
int nodeOf(const frmmain &w, const QString &name)
{
    for (int i = 1; i <= probe(w).groupTree()->nodeCount(); ++i) {
        if (probe(w).groupTree()->node(i)->text(0) == name)
            return i;
    }
    return 0;
}

// The sample notebook shown, the group selected; nullptr when the window never showed.
frmmain *showGroup(MainWindowHarness &h, const QString &group)
{
    if (!h.showOnSample(QStringLiteral("nb.qbf")).isEmpty())
        return nullptr;
    h.window->SelectNode(nodeOf(*h.window, group));
    return h.window.get();
}

QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

void tst_Exchange::enabledStates_data()
{
    QTest::addColumn<QString>("select"); // "" no notebook, "root", a group name, "group+note"
    QTest::addColumn<QString>("enabled"); // the enabled items among the exchange items
    QTest::newRow("nominal: no notebook") << "" << "";
    QTest::newRow("nominal: the root") << "root" << "mnuExportBook";
    QTest::newRow("nominal: a group") << "工作"
        << "mnuImportFiles mnuImportFolder mnuExportGroup mnuExportBook mnuExportGroup1 mnuPrintGroup mnuPrintGroup1";
    QTest::newRow("nominal: a note") << "group+note"
        << "mnuPrint mnuImportFiles mnuImportFolder mnuExportNote mnuExportGroup mnuExportBook mnuExportGroup1 "
           "mnuPrintGroup mnuExportNote1 mnuPrintGroup1";
}

void tst_Exchange::enabledStates()
{
    QFETCH(QString, select);
    QFETCH(QString, enabled);
    MainWindowHarness h;
    if (select.isEmpty()) {
        h.start({h.path(QStringLiteral("missing.qbf"))});
    } else {
        QCOMPARE(h.showOnSample(QStringLiteral("nb.qbf")), QString());
        h.window->SelectNode(select == QLatin1String("root") ? 1 : nodeOf(*h.window, QStringLiteral("工作")));
        if (select == QLatin1String("group+note"))
            h.window->SelectItem(1);
    }
    const frmmain &w = *h.window;
    QStringList on;
    for (QAction *a : {probe(w).item("mnuPrint"), probe(w).item("mnuImportFiles"), probe(w).item("mnuImportFolder"),
                       probe(w).item("mnuExportNote"), probe(w).item("mnuExportGroup"), probe(w).item("mnuExportBook"),
                       probe(w).item("mnuExportGroup1"), probe(w).item("mnuPrintGroup"),
                       probe(w).item("mnuExportNote1"), probe(w).item("mnuPrintGroup1")}) {
        if (a->isEnabled())
            on << a->objectName();
    }
    QCOMPARE(on.join(QLatin1Char(' ')), enabled);
}

void tst_Exchange::exportAndPrint_data()
{
    QTest::addColumn<int>("command");
    // A note: the file named in the save chooser. A group or the notebook: the folder typed in the
    // export dialog, or with "browse:" chosen through its 浏览... button ("" = OK with none).
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("type");      // the type picked in the chooser or the dialog ("" = as offered)
    QTest::addColumn<QStringList>("files"); // every file under 导出 afterwards
    QTest::addColumn<QString>("text");      // what the first of them holds ("" = not read)
    QTest::addColumn<QString>("message");   // the closing message; %1 is the folder 导出
    QTest::addColumn<QString>("dialog");    // the dialog shown through the seam
    const QString folderDialog = QStringLiteral("exchange::ExportFolderDialog");
    QTest::newRow("nominal: the note as Markdown, named so") << int(Cmd::ExportNote) << "导出/会议.md" << ""
        << QStringList{"会议.md"} << "周一开会" << "已导出到 %1/会议.md。" << "";
    QTest::newRow("nominal: a name without extension takes the picked type") << int(Cmd::ExportNote) << "导出/会议"
        << "纯文本(*.txt)" << QStringList{"会议.txt"} << "周一开会" << "已导出到 %1/会议.txt。" << "";
    QTest::newRow("nominal: the picked type replaces the offered extension") << int(Cmd::ExportNote)
        << "导出/会议记录.html" << "PDF(*.pdf)" << QStringList{"会议记录.pdf"} << "" << "已导出到 %1/会议记录.pdf。" << "";
    QTest::newRow("nominal: the group as text into a folder chosen") << int(Cmd::ExportGroup) << "browse:导出"
        << "纯文本(*.txt)" << QStringList{"工作/Budget.txt", "工作/alpha plan.txt", "工作/会议记录.txt"}
        << "plain body text" << "已导出 3 个文件到 %1。" << folderDialog;
    QTest::newRow("nominal: the notebook as HTML into a folder typed") << int(Cmd::ExportNotebook) << "导出" << ""
        << QStringList{"index.html", "工作/Budget.html", "工作/alpha plan.html", "工作/会议记录.html",
                       "生活/购物清单.html"}
        << "购物清单" << "已导出 5 个文件到 %1。" << folderDialog;
    QTest::newRow("robustness: no folder given") << int(Cmd::ExportGroup) << "" << "" << QStringList{} << ""
        << "" << folderDialog;
    QTest::newRow("nominal: print the note") << int(Cmd::PrintNote) << "" << "" << QStringList{} << "" << ""
                                             << "QPrintPreviewDialog";
    QTest::newRow("nominal: print the group") << int(Cmd::PrintGroup) << "" << "" << QStringList{} << "" << ""
                                              << "QPrintPreviewDialog";
}

namespace {

// Answers the export dialog of a group or the notebook: the type, the folder, OK.
void answerFolderDialog(MainWindowHarness &h, const QString &chosen, const QString &type)
{
    h.prompter.dialogScripts.enqueue([&h, chosen, type](QDialog *d) {
        auto *format = ChildLookup::child<QComboBox>(*d, "cboFormat");
        if (!type.isEmpty())
            format->setCurrentIndex(format->findText(type));
        if (chosen.startsWith(QLatin1String("browse:"))) {
            h.prompter.openAnswers.enqueue(h.path(chosen.mid(7)));
            ChildLookup::click(*d, "cmdBrowse");
        } else if (!chosen.isEmpty()) {
            ChildLookup::child<QLineEdit>(*d, "txtFolder")->setText(h.path(chosen));
        }
        ChildLookup::click(*d, "cmdOK");
        return d->result();
    });
}

} // namespace

void tst_Exchange::exportAndPrint()
{
    QFETCH(int, command);
    QFETCH(QString, chosen);
    QFETCH(QString, type);
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QString, dialog);
    MainWindowHarness h;
    frmmain *shown = showGroup(h, QStringLiteral("工作"));
    QVERIFY(shown);
    frmmain &w = *shown;
    w.SelectItem(1);
    QCOMPARE(h.state.note.NoteTitle, QStringLiteral("会议记录"));
    const bool note = Cmd(command) == Cmd::ExportNote;
    if (note) {
        h.prompter.saveAnswers.enqueue(h.path(chosen));
        if (!type.isEmpty())
            h.prompter.saveFilterAnswers.enqueue(type);
    } else if (!dialog.startsWith(QLatin1Char('Q'))) {
        answerFolderDialog(h, chosen, type);
    }
    w.run(Cmd(command));
    QCOMPARE(h.prompter.dialogClasses, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QVERIFY(!w.busy());
    if (note) {
        // The chooser offered the title as a web page in the notebook's folder.
        QVERIFY2(h.prompter.fileFolders.value(0).endsWith(QStringLiteral("/会议记录.html")), qPrintable(h.prompter.fileFolders.value(0)));
        QCOMPARE(h.prompter.offeredFilters, QStringList{QStringLiteral("网页(*.html)")});
    }
    if (chosen.isEmpty() && !note)
        QCOMPARE(h.prompter.beeps, dialog.startsWith(QLatin1Char('Q')) ? 0 : 1);
    const QString folder = h.path(QStringLiteral("导出"));
    QStringList written;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        written << QDir(folder).relativeFilePath(it.next());
    written.sort();
    QCOMPARE(written, files);
    if (!text.isEmpty())
        QVERIFY2(fileText(QDir(folder).filePath(files.first())).contains(text), qPrintable(files.first()));
    QCOMPARE(h.prompter.messageTexts(),
             message.isEmpty() ? QStringList() : QStringList{message.arg(QDir::toNativeSeparators(folder))});
}

void tst_Exchange::existingFiles_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("existing"); // a file under 导出 before
    QTest::addColumn<int>("answer");       // to the question whether to replace it
    QTest::addColumn<QString>("message");  // the closing message; %1 is the folder 导出
    QTest::addColumn<int>("style");
    QTest::newRow("robustness: the note's file kept") << int(Cmd::ExportNote) << "会议.txt" << int(Prompter::No)
        << "没有导出任何文件。%1/会议.txt 已存在，未替换。" << int(Prompter::Exclamation);
    QTest::newRow("nominal: the note's file replaced") << int(Cmd::ExportNote) << "会议.txt" << int(Prompter::Yes)
        << "已导出到 %1/会议.txt。" << int(Prompter::Information);
    QTest::newRow("robustness: one of the group's files kept") << int(Cmd::ExportGroup) << "工作/Budget.txt"
        << int(Prompter::No) << "已导出 2 个文件到 %1。%1/工作/Budget.txt 已存在，未替换。" << int(Prompter::Information);
}

void tst_Exchange::existingFiles()
{
    QFETCH(int, command);
    QFETCH(QString, existing);
    QFETCH(int, answer);
    QFETCH(QString, message);
    QFETCH(int, style);
    MainWindowHarness h;
    frmmain *shown = showGroup(h, QStringLiteral("工作"));
    QVERIFY(shown);
    shown->SelectItem(1);
    const QString folder = h.path(QStringLiteral("导出"));
    const QString kept = writeFiles(folder, {existing}).first();
    if (Cmd(command) == Cmd::ExportNote)
        h.prompter.saveAnswers.enqueue(kept);
    else
        answerFolderDialog(h, QStringLiteral("导出"), QStringLiteral("纯文本(*.txt)"));
    h.prompter.msgAnswers.enqueue(answer);
    shown->run(Cmd(command));
    // Over the progress dialog, which would otherwise cover the question and take its clicks;
    // Enter keeps the file.
    QCOMPARE(h.prompter.messages.size(), 2);
    QCOMPARE(h.prompter.messages.first().style, int(Prompter::QuestionDefaultNo));
    QCOMPARE(h.prompter.messages.first().parentClass, QStringLiteral("QProgressDialog"));
    QCOMPARE(h.prompter.messages.last().text, message.arg(QDir::toNativeSeparators(folder)));
    QCOMPARE(h.prompter.messages.last().style, style);
    QCOMPARE(fileText(kept) == QStringLiteral("正文 ") + existing, answer == Prompter::No);
}

void tst_Exchange::importCommands_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QStringList>("inputs"); // files written under the input folder
    QTest::addColumn<QStringList>("expected"); // the list afterwards
    QTest::addColumn<QStringList>("summary"); // the closing message: its first line, then what it names
    QTest::newRow("nominal: two files") << int(Cmd::ImportFiles) << QStringList{"甲.txt", "乙.md"}
        << QStringList{"购物清单", "甲", "乙"} << QStringList{"已导入 2 篇记事。"};
    QTest::newRow("nominal: a folder and its sub-folders") << int(Cmd::ImportFolder)
        << QStringList{"丙.txt", "子/丁.html", "子/图.png"} << QStringList{"购物清单", "丙", "丁"}
        << QStringList{"已导入 2 篇记事。"};
    QTest::newRow("robustness: a missing file among good ones") << int(Cmd::ImportFiles)
        << QStringList{"甲.txt", "不存在.txt"} << QStringList{"购物清单", "甲"}
        << QStringList{"已导入 1 篇记事。", "以下文件没有导入：", "不存在.txt："};
    QTest::newRow("robustness: text named .rtf") << int(Cmd::ImportFiles) << QStringList{"甲.txt", "坏.rtf"}
        << QStringList{"购物清单", "甲"} << QStringList{"已导入 1 篇记事。", "坏.rtf：不是 RTF 文件"};
    QTest::newRow("robustness: chooser cancelled") << int(Cmd::ImportFiles) << QStringList{}
                                                   << QStringList{"购物清单"} << QStringList{};
}

void tst_Exchange::importCommands()
{
    QFETCH(int, command);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, summary);
    MainWindowHarness h;
    frmmain *shown = showGroup(h, QStringLiteral("生活"));
    QVERIFY(shown);
    frmmain &w = *shown;
    const QString in = h.path(QStringLiteral("输入"));
    QStringList paths = writeFiles(in, inputs);
    if (inputs.contains(QStringLiteral("不存在.txt")))
        QVERIFY(QFile::remove(paths.last()));
    if (Cmd(command) == Cmd::ImportFolder)
        h.prompter.openAnswers.enqueue(in);
    else if (!paths.isEmpty())
        h.prompter.openManyAnswers.enqueue(paths);
    w.run(Cmd(command));
    QCOMPARE(titles(w), expected);
    QCOMPARE(h.prompter.messages.size(), summary.isEmpty() ? 0 : 1);
    if (!summary.isEmpty()) {
        const QString said = h.prompter.messages.first().text;
        QVERIFY2(said.startsWith(summary.first()), qPrintable(said));
        for (const QString &part : summary)
            QVERIFY2(said.contains(part), qPrintable(said));
    }
    // The last new note is the one shown.
    if (expected.size() > 1)
        QCOMPARE(h.state.note.NoteTitle, expected.last());
    // Stored, not only listed.
    w.SelectNode(probe(w).nodeIndex());
    QCOMPARE(titles(w), expected);
}

void tst_Exchange::drops_data()
{
    QTest::addColumn<QString>("on");       // "list", or the tree node's text
    QTest::addColumn<bool>("fileUrls");    // else a web address
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("group");    // the group shown afterwards
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("nominal: on the list") << "list" << true << true << "工作"
        << QStringList{"会议记录", "Budget", "alpha plan", "乙", "甲"};
    QTest::newRow("nominal: on another group in the tree") << "生活" << true << true << "生活"
        << QStringList{"购物清单", "乙", "甲"};
    QTest::newRow("nominal: on an empty group") << "空组" << true << true << "空组" << QStringList{"乙", "甲"};
    QTest::newRow("robustness: on the root") << "M_TOP" << true << false << "工作"
        << QStringList{"会议记录", "Budget", "alpha plan"};
    QTest::newRow("robustness: not files") << "list" << false << false << "工作"
        << QStringList{"会议记录", "Budget", "alpha plan"};
}

void tst_Exchange::drops()
{
    QFETCH(QString, on);
    QFETCH(bool, fileUrls);
    QFETCH(bool, accepted);
    QFETCH(QString, group);
    QFETCH(QStringList, expected);
    MainWindowHarness h;
    frmmain *shown = showGroup(h, QStringLiteral("工作"));
    QVERIFY(shown);
    frmmain &w = *shown;
    // A folder dropped brings its files, sub-folders too, in the order of their paths.
    const QString in = h.path(QStringLiteral("拖入"));
    writeFiles(in, {QStringLiteral("甲.txt"), QStringLiteral("子/乙.txt")});
    QMimeData mime;
    if (fileUrls)
        mime.setUrls({QUrl::fromLocalFile(in)});
    else
        mime.setUrls({QUrl(QStringLiteral("https://example.org/甲.txt"))});

    QWidget *target = nullptr;
    QPoint pos;
    if (on == QLatin1String("list")) {
        target = probe(w).noteList()->reportView()->viewport();
        pos = target->rect().center();
    } else {
        target = probe(w).groupTree()->viewport();
        const int node = on == QLatin1String("M_TOP") ? 1 : nodeOf(w, on);
        pos = probe(w).groupTree()->visualItemRect(probe(w).groupTree()->node(node)).center();
    }
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QCOMPARE(enter.isAccepted(), fileUrls);
    QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QCOMPARE(move.isAccepted(), accepted);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCOMPARE(drop.isAccepted(), accepted);
    // The files are read once the drop event is over.
    if (accepted)
        QTRY_COMPARE(probe(w).groupCaption()->text(), group);
    QCoreApplication::processEvents();
    QCOMPARE(probe(w).groupCaption()->text(), group);
    QCOMPARE(titles(w), expected);
}

QTEST_MAIN(tst_Exchange)
#include "tst_exchange.moc"
