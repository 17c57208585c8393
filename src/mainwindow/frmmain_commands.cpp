// The toolbar dispatcher, the menu items that forward to it, and the group and note commands.
#include "mainwindow/frmmain.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "dialogs/frmmove.h"
#include "dialogs/frmrename.h"
#include "editor/frmAddNote.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NodeKeys.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "store/DBase.h"

#include <QAction>
#include <QLabel>
#include <QTreeWidgetItem>

namespace {

// The group node the commands act on: the last clicked node, unless it is the root or gone.
QTreeWidgetItem *selectedGroupNode(const frmmain &w)
{
    QTreeWidgetItem *node = w.tv1->node(w.CurrentNodeIndex);
    if (!node || GroupTree::keyOf(node) == keys::root())
        return nullptr;
    return node;
}

bool rootSelected(const frmmain &w)
{
    QTreeWidgetItem *node = w.tv1->node(w.CurrentNodeIndex);
    return node && GroupTree::keyOf(node) == keys::root();
}

// The list item the note commands act on: the one shown selected, provided it is the note last
// clicked (whose fields the editor and the preview hold). 0 when there is none.
int selectedNoteIndex(const frmmain &w)
{
    const int index = w.LstV->selectedIndex();
    if (index < 1 || index > w.LstV->count())
        return 0;
    if (keys::idOf(w.LstV->model()->item(index - 1).key) != w.CurrentNoteId)
        return 0;
    return index;
}

void showError(frmmain &w, const QString &text)
{
    w.prompter().msgBox(&w, text, Prompter::Exclamation, cmd::notice());
}

bool askYes(frmmain &w, const QString &text)
{
    return w.prompter().msgBox(&w, text, Prompter::Question, cmd::notice()) == Prompter::Yes;
}

QString duplicateMessage(const QString &name)
{
    return QStringLiteral("该组 '") + name + QStringLiteral("' ") + QStringLiteral("已经存在") + cmd::crlf()
           + QStringLiteral("请尝试其它名字");
}

// Refills the list with the notes of a group and keeps the count under it in step.
void reloadNotes(frmmain &w, qint64 groupId)
{
    w.db().LoadNotes(*w.LstV->model(), groupId);
    w.LstV->refreshed();
    if (!w.db().lastError().isEmpty())
        showError(w, QStringLiteral("数据库文件存在错误."));
    w.lblItems->setText(QString::number(w.LstV->count()) + QStringLiteral(" 个文档"));
}

void reloadGroups(frmmain &w)
{
    w.db().LoadGroups(*w.tv1);
    if (!w.db().lastError().isEmpty())
        showError(w, QStringLiteral("数据库文件存在错误."));
}

// Every (key, text) of the tree in order, for the move dialog.
QList<QPair<QString, QString>> treeNodes(const frmmain &w)
{
    QList<QPair<QString, QString>> nodes;
    for (int i = 1; i <= w.tv1->nodeCount(); ++i) {
        QTreeWidgetItem *n = w.tv1->node(i);
        nodes.append({GroupTree::keyOf(n), n->text(0)});
    }
    return nodes;
}

bool isGroupOfTree(const frmmain &w, qint64 id)
{
    for (int i = 1; i <= w.tv1->nodeCount(); ++i) {
        const QString key = GroupTree::keyOf(w.tv1->node(i));
        if (key != keys::root() && keys::idOf(key) == id)
            return true;
    }
    return false;
}

void addGroup(frmmain &w)
{
    AppState &s = w.state();
    // A locked notebook (or none) takes no groups.
    if (!w.db().DatabaseIsOpen)
        return;
    // The dialog hands its entry back in CurrentGroupName; the selected group keeps its name.
    const QString selectedName = s.CurrentGroupName;
    s.IsNewGroup = true;
    frmrename dlg(s, w.prompter(), &w);
    const bool ok = cmd::confirmed(s, w.prompter(), dlg);
    const QString name = s.CurrentGroupName;
    s.CurrentGroupName = selectedName;
    if (!ok) {
        s.IsNewGroup = false;
        return;
    }
    if (!name.isEmpty()) {
        if (w.GroupNameExists(name)) {
            showError(w, duplicateMessage(name));
            s.DialogResult = 2;
            s.IsNewGroup = false;
            return;
        }
        if (w.db().AddGroup(name) != 1) {
            showError(w, QStringLiteral("添加组发生错误 '") + name + QLatin1Char('\''));
        } else {
            const int before = w.CurrentNodeIndex;
            reloadGroups(w);
            if (w.tv1->nodeCount() == 2)
                w.SelectNode(2);
            else if (before == 1)
                w.SelectNode(w.tv1->nodeCount());
            else
                w.SelectNode(before);
        }
    }
    s.IsNewGroup = false;
}

void deleteGroup(frmmain &w)
{
    QTreeWidgetItem *node = selectedGroupNode(w);
    if (!node || !w.db().DatabaseIsOpen)
        return;
    const QString name = node->text(0);
    const QString question = QStringLiteral("注意：你正要删除组 '") + name + QLatin1Char('\'') + cmd::crlf()
                             + cmd::crlf() + QStringLiteral("删除该组会删除所有该组包含文档") + cmd::crlf()
                             + cmd::crlf() + QStringLiteral("你确定要删除？");
    if (!askYes(w, question))
        return;
    if (w.db().DeleteGroup(w.CurrentGroupId) == 1) {
        reloadGroups(w);
        w.SelectNode(w.tv1->nodeCount() < 2 ? 1 : 2);
    } else {
        showError(w, QStringLiteral("删除发生错误 '") + name + QLatin1Char('\''));
    }
}

void renameGroupAsked(frmmain &w, QTreeWidgetItem *node)
{
    AppState &s = w.state();
    const QString oldName = node->text(0);
    // The dialog shows the selected group's name, whatever an earlier dialog left behind.
    s.CurrentGroupName = oldName;
    s.IsNewGroup = false;
    frmrename dlg(s, w.prompter(), &w);
    const bool ok = cmd::confirmed(s, w.prompter(), dlg);
    const QString name = s.CurrentGroupName;
    s.CurrentGroupName = oldName;
    if (!ok || name.isEmpty())
        return;
    // The same name in other letters' case changes nothing.
    if (name.compare(oldName, Qt::CaseInsensitive) == 0)
        return;
    if (w.GroupNameExists(name)) {
        showError(w, duplicateMessage(name));
        return;
    }
    if (w.db().RenameGroup(name, w.CurrentGroupId) == 1) {
        node->setText(0, name);
        s.CurrentGroupName = name;
        w.lblGroup->setText(name);
        w.lblGroup->adjustSize();
    } else {
        showError(w, QStringLiteral("重命名发生错误 '") + oldName + QLatin1Char('\''));
    }
}

void renameGroup(frmmain &w)
{
    QTreeWidgetItem *node = selectedGroupNode(w);
    if (!node || !w.db().DatabaseIsOpen)
        return;
    renameGroupAsked(w, node);
    // Like the toolbar commands, it leaves no confirmation behind for the next dialog.
    w.state().DialogResult = 2;
}

void addNote(frmmain &w)
{
    AppState &s = w.state();
    if (!selectedGroupNode(w) || !w.db().DatabaseIsOpen)
        return;
    s.IsNewNote = true;
    frmAddNote dlg(s, w.prompter(), w.LstIcons, &w);
    if (!cmd::confirmed(s, w.prompter(), dlg))
        return;
    if (w.db().AddNote(w.CurrentGroupId, s.note) == 1) {
        reloadNotes(w, w.CurrentGroupId);
        w.SelectNote(w.db().LastInsertedId());
    } else {
        showError(w, QStringLiteral("添加新文档发生错误."));
    }
}

void editNote(frmmain &w)
{
    AppState &s = w.state();
    if (selectedNoteIndex(w) == 0 || !w.db().DatabaseIsOpen)
        return;
    s.IsNewNote = false;
    frmAddNote dlg(s, w.prompter(), w.LstIcons, &w);
    if (!cmd::confirmed(s, w.prompter(), dlg))
        return;
    const qint64 noteId = w.CurrentNoteId;
    if (w.db().UpdateNote(noteId, s.note) != 1) {
        showError(w, QStringLiteral("编辑文档发生错误"));
        return;
    }
    // Under the root the list holds every note; refill it the way the root does. The refill
    // comes in stored order, so the note is found by its ID, not by where a sort had put it.
    if (rootSelected(w))
        w.SelectNode(1);
    else
        reloadNotes(w, w.CurrentGroupId);
    w.SelectNote(noteId);
}

void deleteNote(frmmain &w)
{
    const int index = selectedNoteIndex(w);
    if (index == 0 || !w.db().DatabaseIsOpen)
        return;
    const QString title = w.LstV->model()->item(index - 1).text;
    if (!askYes(w, QStringLiteral("你确定要删除'") + title + QLatin1Char('\'')))
        return;
    if (w.db().DeleteNote(w.CurrentNoteId) == 1)
        w.SelectNode(w.CurrentNodeIndex);
    else
        showError(w, QStringLiteral("删除文档'") + title + QStringLiteral("发生错误'"));
}

void moveNote(frmmain &w)
{
    AppState &s = w.state();
    if (selectedNoteIndex(w) == 0 || !w.db().DatabaseIsOpen)
        return;
    // The dialog leaves out the selected group; under the root no single group is selected.
    const QString before = s.CurrentGroupName;
    QTreeWidgetItem *group = selectedGroupNode(w);
    s.CurrentGroupName = group ? group->text(0) : QString();
    s.MoveTargetGroupId = 0;
    frmmove dlg(s, treeNodes(w), &w);
    const bool ok = cmd::confirmed(s, w.prompter(), dlg);
    s.CurrentGroupName = before;
    // A dialog with no group to offer chooses nothing.
    if (ok && isGroupOfTree(w, s.MoveTargetGroupId)) {
        if (w.db().MoveNote(w.CurrentNoteId, s.MoveTargetGroupId) == 1)
            w.SelectNode(w.CurrentNodeIndex);
        else
            showError(w, QStringLiteral("移动文档请注意：有一个错误"));
    }
    s.DialogResult = 2;
}

} // namespace

void frmmain::Toolbar1_ButtonClick(QAction *button)
{
    if (!button || refuseWhileBusy())
        return;
    const QString key = button->objectName();
    if (key == QLatin1String("NEW"))
        mnuNew_Click();
    else if (key == QLatin1String("OPEN"))
        mnuOpen_Click();
    else if (key == QLatin1String("BACKUP"))
        mnuBackup_Click();
    else if (key == QLatin1String("ADD_GROUP"))
        addGroup(*this);
    else if (key == QLatin1String("DELETE_GROUP"))
        deleteGroup(*this);
    else if (key == QLatin1String("ADD_NOTE"))
        addNote(*this);
    else if (key == QLatin1String("EDIT_NOTE"))
        editNote(*this);
    else if (key == QLatin1String("DEL_NOTE"))
        deleteNote(*this);
    m_state.DialogResult = 2;
}

void frmmain::mnuNewNote3_Click()
{
    ClickToolbarButton(8);
}

void frmmain::mnuNewGroup_Click()
{
    ClickToolbarButton(5);
}

void frmmain::mnuRename_Click()
{
    if (refuseWhileBusy())
        return;
    renameGroup(*this);
}

void frmmain::mnuDelete_Click()
{
    ClickToolbarButton(6);
}

void frmmain::mnuEditNote_Click()
{
    ClickToolbarButton(9);
}

void frmmain::mnuNewNote_Click()
{
    ClickToolbarButton(8);
}

void frmmain::mnuDel_Click()
{
    ClickToolbarButton(10);
}

void frmmain::mnuMove_Click()
{
    if (refuseWhileBusy())
        return;
    moveNote(*this);
}

void frmmain::mnuEdit1_Click()
{
    mnuEditNote_Click();
}

void frmmain::mnuNewNote1_Click()
{
    mnuNewNote_Click();
}

void frmmain::mnuDelete2_Click()
{
    mnuDel_Click();
}

void frmmain::mnuMove1_Click()
{
    mnuMove_Click();
}

void frmmain::mnuNew1_Click()
{
    ClickToolbarButton(5);
}

void frmmain::mnuRename1_Click()
{
    mnuRename_Click();
}

void frmmain::mnuDelete1_Click()
{
    mnuDelete_Click();
}
