#include "dialogs/frmHistory.h"

#include "store/DBase.h"

#include <QPushButton>
#include <QTreeWidget>

frmHistory::frmHistory(DBase &db, Prompter &prompter, qint64 noteId, std::function<QString()> saveDate,
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
    for (const VersionInfo &v : db_.LoadHistory(noteId_))
        addRow(v.id, {v.updated, v.title, QStringLiteral("%1 字").arg(v.size)});
    if (lstKept->topLevelItemCount() > 0)
        lstKept->setCurrentItem(lstKept->topLevelItem(0));
}

bool frmHistory::load(qint64 id, NoteVersion *out)
{
    return db_.LoadVersion(id, out) == 1;
}

void frmHistory::cmdRestore_Click()
{
    const qint64 id = selectedId();
    if (id < 0 || !ask(QStringLiteral("用所选版本替换这条笔记的当前内容吗？")))
        return;
    if (db_.RestoreVersion(noteId_, id, saveDate_()) != 1) {
        tell(QStringLiteral("恢复失败。"));
        return;
    }
    changed_ = true;
    reload();
}
