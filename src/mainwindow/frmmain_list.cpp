// The note list: item clicks, the preview, keys, the pop-up menu and the column sort.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "controls/SortHeader.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "rtf/Rtf.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "util/LeadingNumber.h"
#include "mainwindow/NodeKeys.h"

#include <QAction>
#include <QLabel>
#include <QTextEdit>
#include <cmath>

void frmmain::onListItemClick(int index)
{
    if (index < 1 || index > m_noteList->count() || refuseWhileBusy())
        return;
    const NoteItem &item = m_noteList->model()->item(index - 1);
    m_itemIndex = index;
    m_noteId = keys::idOf(item.key);

    CurrentNote &note = m_state.note;
    note.NoteTitle = item.title;
    note.NoteAddDate = item.added.text();
    note.NoteLastUpdate = item.updated.text();
    note.NoteBody = Notes(m_db).body(m_noteId);
    if (!m_db.lastError().isEmpty()) {
        qCWarning(lcStore) << "cannot read note" << m_noteId << m_db.lastError();
        m_prompter.msgBox(this, QStringLiteral("无法读取这条记事。") + cmd::crlf() + m_db.lastError(),
                          Prompter::Exclamation, cmd::notice());
    }
    note.NoteColor = item.color;
    qint16 icon = 0;
    note.NoteIcon = RoundToInt16(std::trunc(LeadingNumber(item.tag)), &icon) ? icon : 0;
    note.NotePriority = item.priority;

    rtf::readPreview(note.NoteBody, m_preview->document());
    markHits();
    m_noteCaption->setText(note.NoteTitle + QStringLiteral(" 文档内容"));
    m_noteIcon->show();

    m_noteChosen = true;
    Q_EMIT selectionChanged();
    if (m_listButton == 2)
        showPopup(menu(commands::Menu::NotePopup));
}

void frmmain::onListMouseDown(int button, const QPoint &globalPos, bool onItem)
{
    m_listButton = button;
    m_lastMousePos = globalPos;
    if (button != 2 || m_groupTree->nodeCount() <= 1)
        return;
    // On an item, the item click that follows shows the menu; showing it here as well would
    // put it up twice.
    if (!onItem)
        showPopup(menu(commands::Menu::NotePopup));
}

void frmmain::onListDblClick()
{
    if (m_listButton == 1 && m_noteList->count() > 0)
        run(Cmd::EditNote);
}

void frmmain::onListKeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    // Moving through the list with the keys is never a right click.
    m_listButton = 1;
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

void frmmain::onListColumnClick(int column)
{
    // One direction shared by every column: it flips on each click, whichever column it is.
    m_sortToggle = m_sortToggle == 0 ? -1 : 0;
    const int key = column - 1;
    const int order = std::abs(m_sortToggle);
    m_noteList->model()->sort(key, order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    if (m_sortImages.size() == 2)
        m_noteList->header()->setSortIcon(key, QIcon(m_sortImages.at(order)), true);
    // The selection moved with its note; the position the window keeps follows it.
    if (m_itemIndex > 0)
        m_itemIndex = m_noteList->selectedIndex();
}

bool frmmain::SelectNote(qint64 noteId)
{
    for (int row = 0; row < m_noteList->count(); ++row) {
        if (keys::idOf(m_noteList->model()->item(row).key) == noteId) {
            SelectItem(row + 1);
            return true;
        }
    }
    return false;
}

void frmmain::SelectItem(int index)
{
    if (!m_noteList->selectIndex(index))
        return;
    onListItemClick(index);
    m_noteList->focusView();
}

int frmmain::listedNotes() const
{
    return m_noteList->count();
}
