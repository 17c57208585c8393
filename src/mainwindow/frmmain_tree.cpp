// The group tree: node clicks, keys, the pop-up menu and the tree procedures.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NoteListModel.h"
#include "settings/Colors.h"
#include "store/DBase.h"
#include "mainwindow/NodeKeys.h"
#include "util/LeadingNumber.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <cmath>

void frmmain::tv1_MouseDown(int button, const QPoint &globalPos)
{
    TreeMouseButton = button;
    lastMousePos = globalPos;
}

void frmmain::clearPreview()
{
    txtNote->clear();
    lblNoteTitle->clear();
    imgInfo->hide();
}

void frmmain::showPopup(QMenu *menu)
{
    // A command chosen from the menu re-selects a node or an item; the right click that opened
    // this menu must not open it again.
    TreeMouseButton = 1;
    ListMouseButton = 1;
    if (popupMenu)
        popupMenu(menu, lastMousePos.isNull() ? QCursor::pos() : lastMousePos);
}

void frmmain::loadNotes(qint64 groupId)
{
    m_db.LoadNotes(*LstV->model(), groupId);
    LstV->refreshed();
    // A damaged table: show what could be read and say so; the window stays usable.
    if (!m_db.lastError().isEmpty()) {
        qCWarning(lcStore) << "cannot read the notes" << m_db.lastError();
        m_prompter.msgBox(this, QStringLiteral("数据库文件存在错误."), Prompter::Exclamation,
                          QStringLiteral("提示"));
    }
}

void frmmain::tv1_NodeClick(int index)
{
    QTreeWidgetItem *node = tv1->node(index);
    if (!node || refuseWhileBusy())
        return;
    if (showingResults())
        leaveResults();
    clearPreview();
    lblGroup->setText(node->text(0));
    CurrentNodeIndex = index;
    // No note is chosen in the list this click fills.
    m_noteChosen = false;
    updateCommandStates();

    if (GroupTree::keyOf(node) != keys::root()) {
        m_state.CurrentGroupName = node->text(0);
        CurrentGroupId = keys::idOf(GroupTree::keyOf(node));
        loadNotes(CurrentGroupId);
        if (TreeMouseButton == 2)
            showPopup(mnuGroup);
    } else {
        loadNotes(-1);
    }
    TreeMouseButton = 1;
    lblItems->setText(QString::number(LstV->count()) + QStringLiteral(" 个文档"));
}

void frmmain::tv1_DblClick()
{
    QTreeWidgetItem *node = tv1->currentItem();
    if (node && GroupTree::keyOf(node) != keys::root() && TreeMouseButton == 1 && mnuRename1->isEnabled())
        run(Cmd::RenameGroup);
}

void frmmain::tv1_KeyDown(int keyCode, Qt::KeyboardModifiers)
{
    QTreeWidgetItem *node = tv1->currentItem();
    if (!node || GroupTree::keyOf(node) == keys::root())
        return;
    if (keyCode == Qt::Key_Delete)
        run(Cmd::DeleteGroup);
    else if (keyCode == Qt::Key_F2 && mnuRename1->isEnabled())
        run(Cmd::RenameGroup);
}

void frmmain::SelectNode(int index)
{
    QTreeWidgetItem *node = tv1->node(index);
    if (!node) {
        clearPreview();
        return;
    }
    tv1->setCurrentItem(node);
    tv1_NodeClick(index);
    tv1->setFocus();
}

bool frmmain::GroupNameExists(const QString &name) const
{
    const QString wanted = name.toLower();
    for (int i = 1; i <= tv1->nodeCount(); ++i) {
        QTreeWidgetItem *n = tv1->node(i);
        if (GroupTree::keyOf(n) != keys::root() && n->text(0).toLower() == wanted)
            return true;
    }
    return false;
}

void frmmain::SetNodeColor(qint32 color)
{
    tv1->setNodeColor(Tools::ColorFromBgr(color));
}
