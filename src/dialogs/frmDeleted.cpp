#include "dialogs/frmDeleted.h"

#include "dialogs/DialogLook.h"
#include "store/Groups.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

using DialogLook::named;

namespace {

// The groups of the notebook as LoadGroups lists them, for the choice of a target.
class GroupChoices : public GroupSink
{
public:
    explicit GroupChoices(QComboBox *box) : box_(box) {}
    void clear() override
    {
        box_->clear();
        box_->addItem(QStringLiteral("原来的组"), qint64(-1));
    }
    void addNode(const QString &parentKey, const QString &key, const QString &text, int, int) override
    {
        if (!parentKey.isEmpty())
            box_->addItem(text, key.mid(1).toLongLong());
    }

private:
    QComboBox *box_;
};

} // namespace

frmDeleted::frmDeleted(Notebook &db, Prompter &prompter, QWidget *parent)
    : KeptNotesDialog(db, prompter, QStringLiteral("最近删除"),
                      {QStringLiteral("标题"), QStringLiteral("所在组"), QStringLiteral("删除时间")}, parent)
{
    setObjectName(QStringLiteral("frmDeleted"));
    cboGroup = named<QComboBox>("cboGroup", this);
    addAtRowStart(new QLabel(QStringLiteral("恢复到"), this));
    addAtRowStart(cboGroup);
    connect(addButton("cmdRestore", QStringLiteral("恢复")), &QPushButton::clicked, this,
            &frmDeleted::cmdRestore_Click);
    connect(addButton("cmdEmpty", QStringLiteral("清空")), &QPushButton::clicked, this,
            &frmDeleted::cmdEmpty_Click);
    reload();
}

void frmDeleted::reload()
{
    GroupChoices groups(cboGroup);
    Groups(db_).load(groups);
    lstKept->clear();
    for (const DeletedInfo &d : KeptNotes(db_).deleted()) {
        const QString group = d.groupExists ? d.groupName : d.groupName + QStringLiteral("（已删除）");
        addRow(d.id, {d.title, group, d.deleted.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"))});
    }
    if (lstKept->topLevelItemCount() > 0)
        lstKept->setCurrentItem(lstKept->topLevelItem(0));
}

std::optional<NoteVersion> frmDeleted::load(qint64 id)
{
    return KeptNotes(db_).deletedNote(id);
}

void frmDeleted::cmdRestore_Click()
{
    const qint64 id = selectedId();
    if (id < 0)
        return;
    if (!KeptNotes(db_).restoreDeleted(id, cboGroup->currentData().toLongLong())) {
        tell(QStringLiteral("恢复失败。"));
        return;
    }
    changed_ = true;
    reload();
}

void frmDeleted::cmdEmpty_Click()
{
    if (lstKept->topLevelItemCount() == 0
        || !ask(QStringLiteral("清空最近删除的记事吗？清空后不能再恢复。")))
        return;
    if (!KeptNotes(db_).emptyDeleted()) {
        tell(QStringLiteral("清空失败。"));
        return;
    }
    changed_ = true;
    reload();
}
