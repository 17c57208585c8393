// Export, print and import of notes, and files dropped on the group tree or the note list.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "exchange/ui/ExchangeDialogs.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/WindowCommands.h"
#include "mainwindow/FileDrop.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NodeKeys.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NotebookLifecycle.h"
#include "store/Notebook.h"

#include <QAbstractItemView>
#include <QFileInfo>
#include <QListView>
#include <QTreeView>
#include <QTreeWidgetItem>

namespace {

const QString kImportTitle = QStringLiteral("导入到当前组");

} // namespace

void frmmain::exportScope(const exchange::ExportScope &scope, const QString &title)
{
    if (refuseWhileBusy() || !m_db.isOpen())
        return;
    const std::optional<exchange::ExportTarget> target
        = exchange::askExportTarget(this, m_prompter, scope, title, fileFolder());
    if (target)
        m_notebook->whileBusy([&] { exchange::exportWithDialogs(this, m_prompter, m_db, scope, *target); });
}

void frmmain::printScope(const exchange::ExportScope &scope)
{
    if (refuseWhileBusy() || !m_db.isOpen())
        return;
    m_notebook->whileBusy([&] { exchange::printPreview(this, m_prompter, m_db, scope); });
}

void frmmain::importInto(int nodeIndex, const QStringList &paths)
{
    QTreeWidgetItem *node = m_groupTree->node(nodeIndex);
    if (refuseWhileBusy() || !m_db.isOpen() || !node || GroupTree::keyOf(node) == keys::root()
        || paths.isEmpty())
        return;
    const qint64 groupId = keys::idOf(GroupTree::keyOf(node));
    qint64 last = 0;
    m_notebook->whileBusy([&] { last = exchange::importWithDialogs(this, m_prompter, m_db, groupId, paths); });
    if (last == 0)
        return;
    // The group's list, with the last new note shown.
    SelectNode(nodeIndex);
    SelectNote(last);
}

void frmmain::acceptFileDrops()
{
    const auto importDropped = [this](int node, const QStringList &paths) { importInto(node, paths); };
    // On the list: into the group it shows.
    const auto listTarget = [this](const QPoint &) {
        return busy() ? 0 : WindowCommands::groupNodeIndex(*this);
    };
    FileDrop::install(m_noteList->reportView()->viewport(), listTarget, importDropped);
    FileDrop::install(m_noteList->iconView()->viewport(), listTarget, importDropped);
    // On the tree: into the group under the pointer.
    FileDrop::install(m_groupTree->viewport(), [this](const QPoint &pos) {
        const int index = m_groupTree->indexOf(m_groupTree->itemAt(pos));
        if (busy() || !m_db.isOpen() || index == 0 || GroupTree::keyOf(m_groupTree->node(index)) == keys::root())
            return 0;
        return index;
    }, importDropped);
}

int WindowCommands::groupNodeIndex(const frmmain &w)
{
    return selectedGroupNode(w) ? w.m_nodeIndex : 0;
}

void WindowCommands::exportNote(frmmain &w)
{
    if (selectedNoteIndex(w) != 0)
        w.exportScope({exchange::ExportScope::Note, w.m_noteId}, w.state().note.NoteTitle);
}

void WindowCommands::exportGroup(frmmain &w)
{
    if (QTreeWidgetItem *node = selectedGroupNode(w))
        w.exportScope({exchange::ExportScope::Group, w.m_groupId}, node->text(0));
}

void WindowCommands::exportNotebook(frmmain &w)
{
    w.exportScope({exchange::ExportScope::Notebook, 0}, QFileInfo(w.m_notebook->path()).completeBaseName());
}

void WindowCommands::printNote(frmmain &w)
{
    if (selectedNoteIndex(w) != 0)
        w.printScope({exchange::ExportScope::Note, w.m_noteId});
}

void WindowCommands::printGroup(frmmain &w)
{
    if (selectedGroupNode(w))
        w.printScope({exchange::ExportScope::Group, w.m_groupId});
}

void WindowCommands::importFiles(frmmain &w)
{
    const int node = groupNodeIndex(w);
    if (node == 0 || w.busy() || !w.db().isOpen())
        return;
    w.importInto(node, w.prompter().openFileNames(&w, kImportTitle, exchange::importFilter(), w.fileFolder()));
}

void WindowCommands::importFolder(frmmain &w)
{
    const int node = groupNodeIndex(w);
    if (node == 0 || w.busy() || !w.db().isOpen())
        return;
    const QString folder = w.prompter().folderName(&w, kImportTitle, w.fileFolder());
    if (!folder.isEmpty())
        w.importInto(node, {folder});
}

