// The note list: item clicks, the preview, keys, the pop-up menu and the column sort.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "controls/SortHeader.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "rtf/Rtf.h"
#include "store/DBase.h"
#include "mainwindow/NodeKeys.h"
#include "util/LeadingNumber.h"

#include <QAction>
#include <QLabel>
#include <QTextEdit>
#include <cmath>

void frmmain::LstV_ItemClick(int index)
{
    if (index < 1 || index > LstV->count() || refuseWhileBusy())
        return;
    const NoteItem &item = LstV->model()->item(index - 1);
    CurrentItemIndex = index;
    CurrentNoteId = keys::idOf(item.key);

    CurrentNote &note = m_state.note;
    note.NoteTitle = item.text;
    note.NoteAddDate = item.sub1;
    note.NoteLastUpdate = item.sub2;
    note.NoteBody = m_db.LoadNoteBody(CurrentNoteId);
    note.NoteColor = item.color;
    qint16 icon = 0;
    note.NoteIcon = RoundToInt16(std::trunc(LeadingNumber(item.tag)), &icon) ? icon : 0;
    note.NotePriority = item.sub3;

    rtf::readPreview(note.NoteBody, txtNote->document());
    markHits();
    lblNoteTitle->setText(note.NoteTitle + QStringLiteral(" 文档内容"));
    imgInfo->show();

    m_noteChosen = true;
    updateCommandStates();
    if (ListMouseButton == 2)
        showPopup(mnuNote);
}

void frmmain::LstV_MouseDown(int button, const QPoint &globalPos, bool onItem)
{
    ListMouseButton = button;
    lastMousePos = globalPos;
    if (button != 2 || tv1->nodeCount() <= 1)
        return;
    updateCommandStates();
    // On an item, the item click that follows shows the menu; showing it here as well would
    // put it up twice.
    if (!onItem)
        showPopup(mnuNote);
}

void frmmain::LstV_DblClick()
{
    if (ListMouseButton == 1 && LstV->count() > 0)
        run(Cmd::EditNote);
}

void frmmain::LstV_KeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    // Moving through the list with the keys is never a right click.
    ListMouseButton = 1;
    // Ctrl+O and Ctrl+D are the keys the note menu shows beside 编辑 and 删除; that menu is only
    // ever a pop-up, so its own shortcuts never fire.
    const bool ctrl = shift == Qt::ControlModifier;
    std::optional<Cmd> cmd;
    if (keyCode == Qt::Key_Delete || (ctrl && keyCode == Qt::Key_D))
        cmd = Cmd::DeleteNote;
    else if (keyCode == Qt::Key_Return || keyCode == Qt::Key_Enter || keyCode == Qt::Key_F2
             || (ctrl && keyCode == Qt::Key_O))
        cmd = Cmd::EditNote;
    if (cmd && action(*cmd)->isEnabled())
        run(*cmd);
}

void frmmain::LstV_ColumnClick(int column)
{
    // One direction shared by every column: it flips on each click, whichever column it is.
    SortToggle = SortToggle == 0 ? -1 : 0;
    const int key = column - 1;
    const int order = std::abs(SortToggle);
    LstV->model()->sort(key, order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    if (ImageList2.size() == 2)
        LstV->header()->setSortIcon(key, QIcon(ImageList2.at(order)), true);
    // The selection moved with its note; the position the window keeps follows it.
    if (CurrentItemIndex > 0)
        CurrentItemIndex = LstV->selectedIndex();
}

bool frmmain::SelectNote(qint64 noteId)
{
    for (int row = 0; row < LstV->count(); ++row) {
        if (keys::idOf(LstV->model()->item(row).key) == noteId) {
            SelectItem(row + 1);
            return true;
        }
    }
    return false;
}

void frmmain::SelectItem(int index)
{
    if (!LstV->selectIndex(index))
        return;
    LstV_ItemClick(index);
    LstV->focusView();
}
