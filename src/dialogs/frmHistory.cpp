#include "dialogs/frmHistory.h"

#include "search/NoteText.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"

#include <QPushButton>
#include <QTreeWidget>

namespace {

// The characters a reader sees in a body: every code point of its text, line breaks not counted.
// The stored body is RTF, many times longer than its text.
qsizetype textLength(const QString &body)
{
    qsizetype n = 0;
    const QString text = NoteText::visibleText(body);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isLowSurrogate() || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator
            || c == QChar::LineSeparator)
            continue;
        ++n;
    }
    return n;
}

} // namespace

frmHistory::frmHistory(Notebook &db, Prompter &prompter, qint64 noteId, std::function<QString()> saveDate,
                       QWidget *parent)
    : KeptNotesDialog(db, prompter, QStringLiteral("历史版本"),
                      {QStringLiteral("保存时间"), QStringLiteral("标题"), QStringLiteral("大小")}, parent),
      noteId_(noteId), saveDate_(std::move(saveDate))
{
    setObjectName(QStringLiteral("frmHistory"));
    connect(addButton("cmdRestore", QStringLiteral("恢复此版本")), &QPushButton::clicked, this,
            &frmHistory::cmdRestore_Click);
    reload();
}

void frmHistory::reload()
{
    lstKept->clear();
    for (const VersionInfo &v : KeptNotes(db_).history(noteId_)) {
        const std::optional<NoteVersion> kept = load(v.id);
        const QString size = kept ? QStringLiteral("%1 字").arg(textLength(kept->note.NoteBody)) : QString();
        addRow(v.id, {v.updated, v.conflict ? v.title + QStringLiteral("（冲突）") : v.title, size});
    }
    if (lstKept->topLevelItemCount() > 0)
        lstKept->setCurrentItem(lstKept->topLevelItem(0));
}

std::optional<NoteVersion> frmHistory::load(qint64 id)
{
    return KeptNotes(db_).version(id);
}

void frmHistory::cmdRestore_Click()
{
    const qint64 id = selectedId();
    if (id < 0 || !ask(QStringLiteral("用所选版本替换这条记事的当前内容吗？")))
        return;
    if (!KeptNotes(db_).restoreVersion(noteId_, id, saveDate_())) {
        tell(QStringLiteral("恢复失败。"));
        return;
    }
    changed_ = true;
    reload();
}
