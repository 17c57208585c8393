// The group tree: node clicks, keys, the pop-up menu and the tree procedures.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NoteListModel.h"
#include "settings/Colors.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "util/LeadingNumber.h"
#include "mainwindow/NodeKeys.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <cmath>

void frmmain::onTreeMouseDown(int button, const QPoint &globalPos)
{
    m_treeButton = button;
    m_lastMousePos = globalPos;
}

void frmmain::clearPreview()
{
    m_preview->clear();
    m_noteCaption->clear();
    m_noteIcon->hide();
}

void frmmain::showPopup(QMenu *menu)
{
    // A command chosen from the menu re-selects a node or an item; the right click that opened
    // this menu must not open it again.
    m_treeButton = 1;
    m_listButton = 1;
    if (m_popupMenu)
        m_popupMenu(menu, m_lastMousePos.isNull() ? QCursor::pos() : m_lastMousePos);
}

void frmmain::loadNotes(qint64 groupId)
{
    Notes(m_db).list(*m_noteList->model(), groupId);
    m_noteList->refreshed();
    // A damaged table: show what could be read and say so; the window stays usable.
    if (!m_db.lastError().isEmpty()) {
        qCWarning(lcStore) << "cannot read the notes" << m_db.lastError();
        m_prompter.msgBox(this, QStringLiteral("数据库文件存在错误."), Prompter::Exclamation,
                          QStringLiteral("提示"));
    }
}

void frmmain::onTreeNodeClick(int index)
{
    QTreeWidgetItem *node = m_groupTree->node(index);
    if (!node || refuseWhileBusy())
        return;
    if (showingResults())
        leaveResults();
    clearPreview();
    m_groupCaption->setText(node->text(0));
    m_nodeIndex = index;
    // No note is chosen in the list this click fills.
    m_noteChosen = false;
    Q_EMIT selectionChanged();

    if (GroupTree::keyOf(node) != keys::root()) {
        m_state.CurrentGroupName = node->text(0);
        m_groupId = keys::idOf(GroupTree::keyOf(node));
        loadNotes(m_groupId);
        if (m_treeButton == 2)
            showPopup(menu(commands::Menu::GroupPopup));
    } else {
        loadNotes(-1);
    }
    m_treeButton = 1;
    m_noteCount->setText(QString::number(m_noteList->count()) + QStringLiteral(" 个文档"));
}

void frmmain::onTreeDblClick()
{
    QTreeWidgetItem *node = m_groupTree->currentItem();
    if (node && GroupTree::keyOf(node) != keys::root() && m_treeButton == 1 && groupSelected())
        run(Cmd::RenameGroup);
}

void frmmain::onTreeKeyDown(int keyCode, Qt::KeyboardModifiers)
{
    QTreeWidgetItem *node = m_groupTree->currentItem();
    if (!node || GroupTree::keyOf(node) == keys::root())
        return;
    if (keyCode == Qt::Key_Delete)
        run(Cmd::DeleteGroup);
    else if (keyCode == Qt::Key_F2 && groupSelected())
        run(Cmd::RenameGroup);
}

void frmmain::SelectNode(int index)
{
    QTreeWidgetItem *node = m_groupTree->node(index);
    if (!node) {
        clearPreview();
        return;
    }
    m_groupTree->setCurrentItem(node);
    onTreeNodeClick(index);
    m_groupTree->setFocus();
}

bool frmmain::GroupNameExists(const QString &name) const
{
    const QString wanted = name.toLower();
    for (int i = 1; i <= m_groupTree->nodeCount(); ++i) {
        QTreeWidgetItem *n = m_groupTree->node(i);
        if (GroupTree::keyOf(n) != keys::root() && n->text(0).toLower() == wanted)
            return true;
    }
    return false;
}

void frmmain::SetNodeColor(qint32 color)
{
    m_groupTree->setNodeColor(Tools::ColorFromBgr(color));
}
