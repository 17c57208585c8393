// The history and recently deleted windows driven through their buttons over a real notebook.

#include "DialogTesting.h"
#include "common/ScriptedPrompter.h"
#include "store/StoreTestUtil.h"

#include "dialogs/frmDeleted.h"
#include "dialogs/frmHistory.h"
#include "rtf/Rtf.h"
#include "store/Groups.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>

using namespace DialogTesting;

class TestKept : public QObject, protected FreshNotebookFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void windows_data();
    void windows();
    void historySizeCountsTheText_data();
    void historySizeCountsTheText();

private:
    qint64 note_ = 0;
};

void TestKept::init()
{
    QVERIFY(openFreshNotebook(QStringLiteral("kept.qbf")));
    QVERIFY(Groups(*db_).add(QStringLiteral("工作")));
    QVERIFY(Groups(*db_).add(QStringLiteral("生活")));
    note_ = Notes(*db_).add(1, makeNote(QStringLiteral("计划"), QStringLiteral("一般"), 0, QStringLiteral("第一稿"))).value();
    QVERIFY(Notes(*db_).update(note_, makeNote(QStringLiteral("计划"), QStringLiteral("一般"), 0, QStringLiteral("第二稿"))));
}

void TestKept::cleanup()
{
    closeFreshNotebook();
}

void TestKept::windows_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");       // to the question, if one is asked
    QTest::addColumn<int>("targetIndex");  // frmDeleted: entry of the group box
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("body");      // of the note afterwards ("" = gone)
    QTest::addColumn<qint64>("group");      // of the note afterwards
    const QString restoreAsk = QStringLiteral("用所选版本替换这条记事的当前内容吗？");
    const QString emptyAsk = QStringLiteral("清空最近删除的记事吗？清空后不能再恢复。");
    QTest::newRow("nominal: history restores the selected version after Yes")
        << "history" << "cmdRestore" << int(Prompter::Yes) << 0 << restoreAsk << "第一稿" << qint64(1);
    QTest::newRow("nominal: history keeps the note after No")
        << "history" << "cmdRestore" << int(Prompter::No) << 0 << restoreAsk << "第二稿" << qint64(1);
    QTest::newRow("nominal: deleted note back into its group")
        << "deleted" << "cmdRestore" << 0 << 0 << QString() << "第二稿" << qint64(1);
    QTest::newRow("nominal: deleted note into the chosen group")
        << "deleted" << "cmdRestore" << 0 << 2 << QString() << "第二稿" << qint64(2);
    QTest::newRow("nominal: emptied after Yes")
        << "deleted" << "cmdEmpty" << int(Prompter::Yes) << 0 << emptyAsk << QString() << qint64(0);
    QTest::newRow("nominal: kept after No to emptying")
        << "deleted" << "cmdEmpty" << int(Prompter::No) << 0 << emptyAsk << QString() << qint64(0);
}

void TestKept::windows()
{
    QFETCH(QString, window);
    QFETCH(QString, button);
    QFETCH(int, answer);
    QFETCH(int, targetIndex);
    QFETCH(QString, question);
    QFETCH(QString, body);
    QFETCH(qint64, group);
    ScriptedPrompter prompter;
    prompter.msgAnswers.enqueue(answer);
    std::unique_ptr<KeptNotesDialog> dialog;
    if (window == QLatin1String("history")) {
        dialog = std::make_unique<frmHistory>(*db_, prompter, note_, [] { return QStringLiteral("2026/12/08 12:00"); },
                                              nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("历史版本"));
    } else {
        QVERIFY(Notes(*db_).remove(note_));
        dialog = std::make_unique<frmDeleted>(*db_, prompter, nullptr);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("最近删除"));
        auto *target = child<QComboBox>(*dialog, "cboGroup");
        QCOMPARE(target->count(), 3); // its own group, 工作, 生活
        target->setCurrentIndex(targetIndex);
    }
    auto *list = child<QTreeWidget>(*dialog, "lstKept");
    QCOMPARE(list->topLevelItemCount(), 1);
    // At first sight every column shows its whole title and text, inside the list.
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QHeaderView *header = list->header();
    for (int c = 0; c < header->count(); ++c) {
        const int needed = qMax(header->sectionSizeHint(c), list->fontMetrics().horizontalAdvance(list->topLevelItem(0)->text(c)));
        QVERIFY2(header->sectionSize(c) >= needed && header->sectionViewportPosition(c) + needed <= list->viewport()->width(),
                 qPrintable(list->headerItem()->text(c)));
    }
    QCOMPARE(list->topLevelItem(0)->text(window == QLatin1String("history") ? 1 : 0), QStringLiteral("计划"));
    // The selected entry is previewed read-only.
    auto *preview = child<QTextEdit>(*dialog, "txtPreview");
    QVERIFY(preview->isReadOnly());
    QCOMPARE(preview->toPlainText(), window == QLatin1String("history") ? QStringLiteral("第一稿") : QStringLiteral("第二稿"));

    click(*dialog, button.toLatin1().constData());
    QCOMPARE(prompter.messageTexts(), question.isEmpty() ? QStringList() : QStringList{question});
    for (const auto &m : prompter.messages)
        QCOMPARE(m.title, QStringLiteral("提示"));
    const bool acted = question.isEmpty() || answer == Prompter::Yes;
    QCOMPARE(dialog->changed(), acted);

    if (body.isEmpty()) {
        QVERIFY(Notes(*db_).body(note_).isEmpty());
        QCOMPARE(int(KeptNotes(*db_).deleted().size()), acted ? 0 : 1);
        QCOMPARE(list->topLevelItemCount(), acted ? 0 : 1);
        return;
    }
    QCOMPARE(Notes(*db_).body(note_), body);
    VectorNoteSink notes;
    Notes(*db_).list(notes, group);
    QCOMPARE(notes.keys(), QStringList{QStringLiteral("k%1").arg(note_)});
    // A restored version joins the history: the list shows it at once.
    if (window == QLatin1String("history"))
        QCOMPARE(list->topLevelItemCount(), acted ? 2 : 1);
    else
        QCOMPARE(list->topLevelItemCount(), 0);
}

void TestKept::historySizeCountsTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asRtf");
    QTest::addColumn<QString>("size");
    QTest::newRow("nominal: an RTF body counts its text, not its RTF") << "会议纪要 agenda" << true << "11 字";
    QTest::newRow("nominal: paragraph breaks are not characters") << "第一行\n第二行" << true << "6 字";
    QTest::newRow("robustness: a character beyond the first plane counts once")
        << QString::fromUtf8("\xF0\xA0\x80\x80" "a") << true << "2 字";
    QTest::newRow("nominal: a plain-text body as it is") << "plain" << false << "5 字";
}

void TestKept::historySizeCountsTheText()
{
    QFETCH(QString, text);
    QFETCH(bool, asRtf);
    QFETCH(QString, size);
    QTextDocument doc;
    doc.setPlainText(text);
    const QString body = asRtf ? rtf::writeText(&doc) : text;
    QVERIFY(Notes(*db_).update(note_, makeNote(QStringLiteral("计划"), QStringLiteral("一般"), 0, body)));
    QVERIFY(Notes(*db_).update(note_, makeNote(QStringLiteral("计划"), QStringLiteral("一般"), 0, QStringLiteral("x"))));
    ScriptedPrompter prompter;
    frmHistory dialog(*db_, prompter, note_, [] { return QStringLiteral("2026/12/08 12:00"); }, nullptr);
    auto *list = child<QTreeWidget>(dialog, "lstKept");
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(list->topLevelItem(0)->text(2), size); // newest first: the version just replaced
}

QTEST_MAIN(TestKept)
#include "tst_kept.moc"
