#include "dialogs/ConflictsDialog.h"

#include "store/Notebook.h"
#include "store/Notes.h"
#include "sync/NotebookReplica.h"

#include <QPushButton>
#include <QTreeWidget>

ConflictsDialog::ConflictsDialog(Notebook &db, Prompter &prompter, std::function<bool(qint64)> showVersions,
                                 QWidget *parent)
    : KeptNotesDialog(db, prompter, QStringLiteral("冲突"), {QStringLiteral("标题"), QStringLiteral("版本数")},
                      parent)
    , showVersions_(std::move(showVersions))
{
    setObjectName(QStringLiteral("ConflictsDialog"));
    connect(addButton("cmdVersions", QStringLiteral("查看版本...")), &QPushButton::clicked, this,
            &ConflictsDialog::cmdVersions_Click);
    connect(addButton("cmdDismiss", QStringLiteral("忽略冲突")), &QPushButton::clicked, this,
            &ConflictsDialog::cmdDismiss_Click);
    connect(lstKept, &QTreeWidget::itemDoubleClicked, this, &ConflictsDialog::cmdVersions_Click);
    reload();
}

void ConflictsDialog::reload()
{
    lstKept->clear();
    const std::optional<QList<SyncConflicts::Conflict>> conflicts = SyncConflicts::list(db_);
    if (!conflicts) {
        tell(QStringLiteral("无法读出冲突。"));
        return;
    }
    for (const SyncConflicts::Conflict &c : *conflicts)
        addRow(c.noteId, {c.title, QString::number(c.versions)});
    if (lstKept->topLevelItemCount() > 0)
        lstKept->setCurrentItem(lstKept->topLevelItem(0));
}

std::optional<NoteVersion> ConflictsDialog::load(qint64 id)
{
    return Notes(db_).load(id);
}

void ConflictsDialog::cmdVersions_Click()
{
    const qint64 id = selectedId();
    if (id < 0)
        return;
    if (!showVersions_(id))
        return;
    // The version the user picked there is the answer to the conflict.
    changed_ = true;
    if (!SyncConflicts::dismiss(db_, id))
        tell(QStringLiteral("没能去掉冲突标记。"));
    reload();
}

void ConflictsDialog::cmdDismiss_Click()
{
    const qint64 id = selectedId();
    if (id < 0)
        return;
    if (!SyncConflicts::dismiss(db_, id)) {
        tell(QStringLiteral("没能忽略这个冲突。"));
        return;
    }
    reload();
}
