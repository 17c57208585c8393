// Running commands, their enabled states, and the group and note commands.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "dialogs/frmmove.h"
#include "dialogs/frmrename.h"
#include "editor/frmAddNote.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NodeKeys.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/SearchBox.h"
#include "mainwindow/WindowCommands.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/KeptNotes.h"
#include "store/Groups.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QTreeWidgetItem>

// The group node the commands act on: the last clicked node, unless it is the root or gone.
QTreeWidgetItem *WindowCommands::selectedGroupNode(const frmmain &w)
{
    QTreeWidgetItem *node = w.m_groupTree->node(w.m_nodeIndex);
    if (!node || GroupTree::keyOf(node) == keys::root())
        return nullptr;
    return node;
}

// The list item the note commands act on: the one shown selected, provided it is the note last
// clicked (whose fields the editor and the preview hold). 0 when there is none.
int WindowCommands::selectedNoteIndex(const frmmain &w)
{
    const int index = w.m_noteList->selectedIndex();
    if (index < 1 || index > w.m_noteList->count())
        return 0;
    if (keys::idOf(w.m_noteList->model()->item(index - 1).key) != w.m_noteId)
        return 0;
    return index;
}

bool WindowCommands::rootSelected(const frmmain &w)
{
    QTreeWidgetItem *node = w.m_groupTree->node(w.m_nodeIndex);
    return node && GroupTree::keyOf(node) == keys::root();
}

void WindowCommands::showError(frmmain &w, const QString &text)
{
    w.prompter().msgBox(&w, text, Prompter::Exclamation, cmd::notice());
}

// A store operation failed: its reason goes to the log, the command's own message to the user.
void WindowCommands::storeFailed(frmmain &w, const QString &text)
{
    qCWarning(lcStore) << text << w.db().lastError();
    showError(w, text);
    w.offerReplacedNotebook();
}

bool WindowCommands::askYes(frmmain &w, const QString &text)
{
    return w.prompter().msgBox(&w, text, Prompter::Question, cmd::notice()) == Prompter::Yes;
}

namespace {

QString duplicateMessage(const QString &name)
{
    return QStringLiteral("该组 '") + name + QStringLiteral("' ") + QStringLiteral("已经存在") + cmd::crlf()
           + QStringLiteral("请尝试其它名字");
}

} // namespace

// Refills the list with the notes of a group and keeps the count under it in step.
void WindowCommands::reloadNotes(frmmain &w, qint64 groupId)
{
    Notes(w.db()).list(*w.m_noteList->model(), groupId);
    w.m_noteList->refreshed();
    if (!w.db().lastError().isEmpty())
        storeFailed(w, QStringLiteral("数据库文件存在错误."));
    w.m_noteCount->setText(QString::number(w.m_noteList->count()) + QStringLiteral(" 个文档"));
}

void WindowCommands::reloadGroups(frmmain &w)
{
    Groups(w.db()).load(*w.m_groupTree);
    if (!w.db().lastError().isEmpty())
        storeFailed(w, QStringLiteral("数据库文件存在错误."));
}

// Every (key, text) of the tree in order, for the move dialog.
QList<QPair<QString, QString>> WindowCommands::treeNodes(const frmmain &w)
{
    QList<QPair<QString, QString>> nodes;
    for (int i = 1; i <= w.m_groupTree->nodeCount(); ++i) {
        QTreeWidgetItem *n = w.m_groupTree->node(i);
        nodes.append({GroupTree::keyOf(n), n->text(0)});
    }
    return nodes;
}

// After a note was deleted or moved: the results again when they are shown, else the node's
// notes.
void WindowCommands::relist(frmmain &w, qint64 noteId)
{
    if (w.showingResults())
        w.refreshResults(noteId);
    else
        w.SelectNode(w.m_nodeIndex);
}

// The editor's saver: the store's write, and when it is refused the command's own message with
// the store's reason. The current-note fields are left alone: they follow the list's clicks.
std::function<QString(const CurrentNote &)> WindowCommands::saverOf(frmmain &w, const QString &failure,
                                                                    std::function<bool(const CurrentNote &)> write)
{
    return [&w, failure, write = std::move(write)](const CurrentNote &note) {
        if (write(note))
            return QString();
        qCWarning(lcStore) << failure << w.db().lastError();
        return failure + cmd::crlf() + w.db().lastError();
    };
}

bool WindowCommands::isGroupOfTree(const frmmain &w, qint64 id)
{
    for (int i = 1; i <= w.m_groupTree->nodeCount(); ++i) {
        const QString key = GroupTree::keyOf(w.m_groupTree->node(i));
        if (key != keys::root() && keys::idOf(key) == id)
            return true;
    }
    return false;
}

void WindowCommands::addGroup(frmmain &w)
{
    AppState &s = w.state();
    // A locked notebook (or none) takes no groups.
    if (!w.db().isOpen())
        return;
    frmrename dlg(s, w.prompter(), true, QString(), &w);
    if (w.prompter().exec(&dlg) != QDialog::Accepted)
        return;
    const QString name = dlg.name();
    if (!name.isEmpty()) {
        if (w.GroupNameExists(name)) {
            showError(w, duplicateMessage(name));
            return;
        }
        if (!Groups(w.db()).add(name)) {
            storeFailed(w, QStringLiteral("添加组发生错误 '") + name + QLatin1Char('\''));
        } else {
            const int before = w.m_nodeIndex;
            reloadGroups(w);
            if (w.m_groupTree->nodeCount() == 2)
                w.SelectNode(2);
            else if (before == 1)
                w.SelectNode(w.m_groupTree->nodeCount());
            else
                w.SelectNode(before);
        }
    }
}

void WindowCommands::deleteGroup(frmmain &w)
{
    QTreeWidgetItem *node = selectedGroupNode(w);
    if (!node || !w.db().isOpen())
        return;
    const QString name = node->text(0);
    const QString question = QStringLiteral("注意：你正要删除组 '") + name + QLatin1Char('\'') + cmd::crlf()
                             + cmd::crlf() + QStringLiteral("删除该组会删除所有该组包含文档") + cmd::crlf()
                             + cmd::crlf() + QStringLiteral("你确定要删除？");
    if (!askYes(w, question))
        return;
    if (Groups(w.db()).remove(w.m_groupId)) {
        reloadGroups(w);
        w.SelectNode(w.m_groupTree->nodeCount() < 2 ? 1 : 2);
    } else {
        storeFailed(w, QStringLiteral("删除发生错误 '") + name + QLatin1Char('\''));
    }
}

void WindowCommands::renameGroupAsked(frmmain &w, QTreeWidgetItem *node)
{
    AppState &s = w.state();
    const QString oldName = node->text(0);
    frmrename dlg(s, w.prompter(), false, oldName, &w);
    if (w.prompter().exec(&dlg) != QDialog::Accepted)
        return;
    const QString name = dlg.name();
    if (name.isEmpty())
        return;
    // The same name in other letters' case changes nothing.
    if (name.compare(oldName, Qt::CaseInsensitive) == 0)
        return;
    if (w.GroupNameExists(name)) {
        showError(w, duplicateMessage(name));
        return;
    }
    if (Groups(w.db()).rename(w.m_groupId, name)) {
        node->setText(0, name);
        s.CurrentGroupName = name;
        w.m_groupCaption->setText(name);
        w.m_groupCaption->adjustSize();
    } else {
        storeFailed(w, QStringLiteral("重命名发生错误 '") + oldName + QLatin1Char('\''));
    }
}

void WindowCommands::renameGroup(frmmain &w)
{
    QTreeWidgetItem *node = selectedGroupNode(w);
    if (!node || !w.db().isOpen())
        return;
    renameGroupAsked(w, node);
}

void WindowCommands::addNote(frmmain &w)
{
    AppState &s = w.state();
    if (!selectedGroupNode(w) || !w.db().isOpen())
        return;
    const qint64 groupId = w.m_groupId;
    frmAddNote dlg(s, w.prompter(), w.m_noteIcons, nullptr, &w);
    dlg.setFileFolder(w.fileFolder());
    qint64 noteId = 0;
    dlg.setSaver(saverOf(w, QStringLiteral("添加新文档发生错误."), [&w, groupId, &noteId](const CurrentNote &note) {
        const std::optional<qint64> added = Notes(w.db()).add(groupId, note);
        noteId = added.value_or(noteId);
        return added.has_value();
    }));
    if (w.prompter().exec(&dlg) != QDialog::Accepted)
        return;
    if (w.showingResults()) {
        w.refreshResults(noteId);
        return;
    }
    reloadNotes(w, groupId);
    w.SelectNote(noteId);
}

void WindowCommands::editNote(frmmain &w)
{
    AppState &s = w.state();
    if (selectedNoteIndex(w) == 0 || !w.db().isOpen())
        return;
    // The note as stored now, by its ID: never what an earlier command left in the shared fields.
    const qint64 noteId = w.m_noteId;
    const std::optional<NoteVersion> stored = Notes(w.db()).load(noteId);
    if (!stored) {
        storeFailed(w, QStringLiteral("编辑文档发生错误"));
        return;
    }
    frmAddNote dlg(s, w.prompter(), w.m_noteIcons, &stored->note, &w);
    dlg.setFileFolder(w.fileFolder());
    dlg.setSaver(saverOf(w, QStringLiteral("编辑文档发生错误"),
                         [&w, noteId](const CurrentNote &note) { return Notes(w.db()).update(noteId, note); }));
    if (w.prompter().exec(&dlg) != QDialog::Accepted)
        return;
    // Under the root the list holds every note; refill it the way the root does. The refill
    // comes in stored order, so the note is found by its ID, not by where a sort had put it.
    if (w.showingResults())
        w.refreshResults(noteId);
    else if (rootSelected(w))
        w.SelectNode(1);
    else
        reloadNotes(w, w.m_groupId);
    w.SelectNote(noteId);
}

void WindowCommands::deleteNote(frmmain &w)
{
    const int index = selectedNoteIndex(w);
    if (index == 0 || !w.db().isOpen())
        return;
    const QString title = w.m_noteList->model()->item(index - 1).title;
    if (!askYes(w, QStringLiteral("你确定要删除'") + title + QLatin1Char('\'')))
        return;
    if (Notes(w.db()).remove(w.m_noteId))
        relist(w, 0);
    else
        storeFailed(w, QStringLiteral("删除文档'") + title + QStringLiteral("发生错误'"));
}

void WindowCommands::moveNote(frmmain &w)
{
    AppState &s = w.state();
    const int index = selectedNoteIndex(w);
    if (index == 0 || !w.db().isOpen())
        return;
    // The dialog leaves out the note's own group: the selected one (under the root no single
    // group is selected), or among search results the result's.
    QTreeWidgetItem *group = selectedGroupNode(w);
    const QString own = w.showingResults() ? w.m_noteList->model()->item(index - 1).group
                                           : group ? group->text(0) : QString();
    frmmove dlg(s, treeNodes(w), own, &w);
    // A dialog with no group to offer chooses nothing.
    if (w.prompter().exec(&dlg) == QDialog::Accepted && isGroupOfTree(w, dlg.targetGroupId())) {
        if (Notes(w.db()).move(w.m_noteId, dlg.targetGroupId()))
            relist(w, w.m_noteId);
        else
            storeFailed(w, QStringLiteral("移动文档请注意：有一个错误"));
    }
}

void frmmain::run(Cmd cmd)
{
    runCommand(cmd, false);
}

void frmmain::runCommand(Cmd cmd, bool tickFlipped)
{
    // Events still handled while the window goes away (the copy at exit) start nothing.
    if (m_unloaded || refuseWhileBusy())
        return;
    const commands::CommandRow &row = commands::rowOf(cmd);
    if (row.checkable && !tickFlipped) {
        QAction *item = action(cmd);
        item->setChecked(!item->isChecked());
    }
    row.run(*this);
    syncAfterCommand(cmd);
    // What the store mended on the way (a damaged history set aside) is said once.
    const QString notice = m_db.isOpen() ? KeptNotes(m_db).takeNotice() : QString();
    if (!notice.isEmpty()) {
        qCWarning(lcStore) << notice;
        m_prompter.msgBox(this, notice, Prompter::Exclamation, cmd::notice());
    }
}

bool frmmain::busy() const
{
    return m_notebook->busy();
}

QAction *frmmain::action(Cmd cmd) const
{
    const auto it = m_commandActions.find(cmd);
    return it == m_commandActions.end() ? nullptr : it->second;
}

void frmmain::onToolbarClick(QAction *button)
{
    const auto it = m_actionCommands.find(button);
    if (it != m_actionCommands.end())
        run(it->second);
}

bool frmmain::groupSelected() const
{
    QTreeWidgetItem *node = m_groupTree->node(m_nodeIndex);
    return node && GroupTree::keyOf(node) != keys::root();
}

commands::Facts frmmain::facts() const
{
    // A note command needs the clicked note shown selected, never one left from an earlier list.
    return {m_db.isOpen(), groupSelected(), m_noteChosen && WindowCommands::selectedNoteIndex(*this) > 0,
            notebookLocked()};
}

void frmmain::updateCommandStates()
{
    const commands::Facts now = facts();
    for (const auto &[when, item] : m_enabledWhen)
        item->setEnabled(commands::enabled(when, now));
    m_searchBox->setEnabled(now.notebookOpen);
    showLockedNotice();
}

QMenu *frmmain::menu(commands::Menu which) const
{
    return m_menus.at(which);
}
