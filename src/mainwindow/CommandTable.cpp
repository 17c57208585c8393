// The command table: every menu, every command with its toolbar button, every menu item.
// Adding a command: an enumerator in Commands.h, a row in kCommands, its items in kItems.
#include "mainwindow/CommandTable.h"

#include "mainwindow/frmmain.h"

#include <algorithm>

namespace commands {

bool enabled(When when, const Facts &f)
{
    switch (when) {
    case When::Always: return true;
    case When::NotebookOpen: return f.notebookOpen;
    case When::GroupSelected: return f.groupSelected;
    case When::NoteSelected: return f.noteSelected;
    case When::NotebookLocked: return f.notebookLocked;
    }
    return false;
}

namespace {

constexpr QKeyCombination kNoKey{};

const MenuDef kMenus[] = {
    {Menu::File, "mnuFile", "文件(&F)", std::nullopt, nullptr, true, &frmmain::mnuFile},
    {Menu::Import, "mnuImport", "导入", Menu::File, "mnuPrint", false, &frmmain::mnuImport},
    {Menu::Export, "mnuExport", "导出", Menu::File, "mnuPrint", false, &frmmain::mnuExport},
    {Menu::Action, "mnuAction", "操作(&A)", std::nullopt, nullptr, true, &frmmain::mnuAction},
    {Menu::Notes, "mnuNotes", "记事本", Menu::Action, nullptr, false, &frmmain::mnuNotes},
    {Menu::Groups, "mnuGroups", "组", Menu::Action, nullptr, false, &frmmain::mnuGroups},
    {Menu::View, "mnuView", "查看(&V)", std::nullopt, nullptr, true, &frmmain::mnuView},
    {Menu::Layout, "mnuLayout", "排列", Menu::View, nullptr, false, &frmmain::mnuLayout},
    {Menu::Tools, "mnuTools", "工具(&T)", std::nullopt, nullptr, true, &frmmain::mnuTools},
    {Menu::GroupPopup, "mnuGroup", "GroupMenu", std::nullopt, nullptr, false, &frmmain::mnuGroup},
    {Menu::NotePopup, "mnuNote", "NoteGroup", std::nullopt, nullptr, false, &frmmain::mnuNote},
    {Menu::Tray, "mnuTray", "Tray", std::nullopt, nullptr, false, &frmmain::mnuTray},
};

const CommandRow kCommands[] = {
    {Cmd::NewNotebook, [](frmmain &w) { w.mnuNew_Click(); }, false,
     "NEW", "新建", ":/toolbar/new.png", 1, When::Always},
    {Cmd::OpenNotebook, [](frmmain &w) { w.mnuOpen_Click(); }, false,
     "OPEN", "打开", ":/toolbar/open.png", 2, When::Always},
    {Cmd::BackupNotebook, [](frmmain &w) { w.mnuBackup_Click(); }, false,
     "BACKUP", "备份数据库", ":/toolbar/backup.png", 3, When::NotebookOpen},
    {Cmd::AddGroup, addGroup, false, "ADD_GROUP", "添加组", ":/toolbar/add_group.png", 5, When::NotebookOpen},
    {Cmd::DeleteGroup, deleteGroup, false,
     "DELETE_GROUP", "删除组", ":/toolbar/delete_group.png", 6, When::GroupSelected},
    {Cmd::AddNote, addNote, false, "ADD_NOTE", "新建记事本", ":/toolbar/add_note.png", 8, When::GroupSelected},
    {Cmd::EditNote, editNote, false, "EDIT_NOTE", "编辑记事本", ":/toolbar/edit_note.png", 9, When::NoteSelected},
    {Cmd::DeleteNote, deleteNote, false, "DEL_NOTE", "删除记事本", ":/toolbar/del_note.png", 10, When::NoteSelected},
    {Cmd::RenameGroup, renameGroup, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::MoveNote, moveNote, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::Exit, [](frmmain &w) { w.mnuExit_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ShowNotesBar, [](frmmain &w) { w.mnuMyNotes_Click(); }, true, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ShowToolbar, [](frmmain &w) { w.mnuToolbar_Click(); }, true, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ShowStatusBar, [](frmmain &w) { w.mnuStatusbar_Click(); }, true, nullptr, nullptr, nullptr, 0,
     When::Always},
    {Cmd::ShowNoteInfo, [](frmmain &w) { w.mnuNoteInfo_Click(); }, true, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ReportView, [](frmmain &w) { w.mnuReport_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::IconView, [](frmmain &w) { w.mnuIcons_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::SetPassword, [](frmmain &w) { w.mnuPws_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::CompactNotebook, [](frmmain &w) { w.mnuCompact_Click(); }, false, nullptr, nullptr, nullptr, 0,
     When::Always},
    {Cmd::Options, [](frmmain &w) { w.mnuOptions_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::Forum, [](frmmain &w) { w.mnuForum_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::RestoreWindow, [](frmmain &w) { w.mnuRestore_Click(); }, false, nullptr, nullptr, nullptr, 0,
     When::Always},
    {Cmd::NoteHistory, [](frmmain &w) { w.mnuHistory_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::DeletedNotes, [](frmmain &w) { w.mnuDeleted_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::RestoreFromBackup, [](frmmain &w) { w.mnuFromBackup_Click(); }, false, nullptr, nullptr, nullptr, 0,
     When::Always},
    {Cmd::FindNotes, [](frmmain &w) { w.focusSearch(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ExportNote, exportNote, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ExportGroup, exportGroup, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ExportNotebook, exportNotebook, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::PrintNote, printNote, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::PrintGroup, printGroup, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ImportFiles, importFiles, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::ImportFolder, importFolder, false, nullptr, nullptr, nullptr, 0, When::Always},
    {Cmd::UnlockNotebook, [](frmmain &w) { w.mnuUnlock_Click(); }, false, nullptr, nullptr, nullptr, 0,
     When::Always},
};

const ItemRow kItems[] = {
    {Menu::File, "mnuNew", Cmd::NewNotebook, "新建", Qt::CTRL | Qt::Key_N, When::Always, &frmmain::mnuNew},
    {Menu::File, "mnuOpen", Cmd::OpenNotebook, "打开", kNoKey, When::Always, &frmmain::mnuOpen},
    {Menu::File, "mnuUnlock", Cmd::UnlockNotebook, "解锁数据库...", kNoKey, When::NotebookLocked,
     &frmmain::mnuUnlock},
    {Menu::File, "mnuBackup", Cmd::BackupNotebook, "另备份为...", kNoKey, When::NotebookOpen, &frmmain::mnuBackup},
    {Menu::File, "mnuFromBackup", Cmd::RestoreFromBackup, "从自动备份恢复...", kNoKey, When::Always,
     &frmmain::mnuFromBackup},
    {Menu::File, "mnuBlank10", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank10},
    {Menu::File, "mnuPrint", Cmd::PrintNote, "打印...", Qt::CTRL | Qt::Key_P, When::NoteSelected,
     &frmmain::mnuPrint},
    {Menu::File, "mnuBlank1", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank1},
    {Menu::File, "mnuExit", Cmd::Exit, "退出", kNoKey, When::Always, &frmmain::mnuExit},
    {Menu::Import, "mnuImportFiles", Cmd::ImportFiles, "文件...", kNoKey, When::GroupSelected,
     &frmmain::mnuImportFiles},
    {Menu::Import, "mnuImportFolder", Cmd::ImportFolder, "文件夹...", kNoKey, When::GroupSelected,
     &frmmain::mnuImportFolder},
    {Menu::Export, "mnuExportNote", Cmd::ExportNote, "当前记事...", kNoKey, When::NoteSelected,
     &frmmain::mnuExportNote},
    {Menu::Export, "mnuExportGroup", Cmd::ExportGroup, "当前组...", kNoKey, When::GroupSelected,
     &frmmain::mnuExportGroup},
    {Menu::Export, "mnuExportBook", Cmd::ExportNotebook, "整个数据库...", kNoKey, When::NotebookOpen,
     &frmmain::mnuExportBook},

    {Menu::GroupPopup, "mnuNewNote3", Cmd::AddNote, "新建记事本", kNoKey, When::Always, &frmmain::mnuNewNote3},
    {Menu::GroupPopup, "mnuBlank5", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank5},
    {Menu::GroupPopup, "mnuNewGroup", Cmd::AddGroup, "新建组", kNoKey, When::Always, &frmmain::mnuNewGroup},
    {Menu::GroupPopup, "mnuRename", Cmd::RenameGroup, "重命名", QKeyCombination(Qt::Key_F2), When::Always,
     &frmmain::mnuRename},
    {Menu::GroupPopup, "mnuDelete", Cmd::DeleteGroup, "删除", QKeyCombination(Qt::Key_Delete), When::Always,
     &frmmain::mnuDelete},
    {Menu::GroupPopup, "mnuBlank11", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank11},
    {Menu::GroupPopup, "mnuExportGroup1", Cmd::ExportGroup, "导出...", kNoKey, When::GroupSelected,
     &frmmain::mnuExportGroup1},
    {Menu::GroupPopup, "mnuPrintGroup", Cmd::PrintGroup, "打印...", kNoKey, When::GroupSelected,
     &frmmain::mnuPrintGroup},

    {Menu::NotePopup, "mnuEditNote", Cmd::EditNote, "编辑", Qt::CTRL | Qt::Key_O, When::NoteSelected,
     &frmmain::mnuEditNote},
    {Menu::NotePopup, "mnuNewNote", Cmd::AddNote, "新建记事本", kNoKey, When::Always, &frmmain::mnuNewNote},
    {Menu::NotePopup, "mnuDel", Cmd::DeleteNote, "删除", Qt::CTRL | Qt::Key_D, When::NoteSelected,
     &frmmain::mnuDel},
    {Menu::NotePopup, "mnuBlank2", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank2},
    {Menu::NotePopup, "mnuMove", Cmd::MoveNote, "移动", kNoKey, When::NoteSelected, &frmmain::mnuMove},
    {Menu::NotePopup, "mnuHistory", Cmd::NoteHistory, "历史版本", kNoKey, When::NoteSelected, &frmmain::mnuHistory},
    {Menu::NotePopup, "mnuBlank12", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank12},
    {Menu::NotePopup, "mnuExportNote1", Cmd::ExportNote, "导出...", kNoKey, When::NoteSelected,
     &frmmain::mnuExportNote1},

    {Menu::Notes, "mnuEdit1", Cmd::EditNote, "编辑", kNoKey, When::NoteSelected, &frmmain::mnuEdit1},
    {Menu::Notes, "mnuNewNote1", Cmd::AddNote, "新建记事本", kNoKey, When::GroupSelected, &frmmain::mnuNewNote1},
    {Menu::Notes, "mnuDelete2", Cmd::DeleteNote, "删除", kNoKey, When::NoteSelected, &frmmain::mnuDelete2},
    {Menu::Notes, "mnuBlank3", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank3},
    {Menu::Notes, "mnuMove1", Cmd::MoveNote, "移动", kNoKey, When::NoteSelected, &frmmain::mnuMove1},
    {Menu::Notes, "mnuHistory1", Cmd::NoteHistory, "历史版本", kNoKey, When::NoteSelected, &frmmain::mnuHistory1},
    {Menu::Notes, "mnuDeleted", Cmd::DeletedNotes, "最近删除", kNoKey, When::NotebookOpen, &frmmain::mnuDeleted},
    {Menu::Notes, "mnuFind", Cmd::FindNotes, "搜索记事", Qt::CTRL | Qt::Key_F, When::NotebookOpen, &frmmain::mnuFind},
    {Menu::Groups, "mnuNew1", Cmd::AddGroup, "新建组", kNoKey, When::NotebookOpen, &frmmain::mnuNew1},
    {Menu::Groups, "mnuRename1", Cmd::RenameGroup, "重命名", kNoKey, When::GroupSelected, &frmmain::mnuRename1},
    {Menu::Groups, "mnuDelete1", Cmd::DeleteGroup, "删除", kNoKey, When::GroupSelected, &frmmain::mnuDelete1},
    {Menu::Groups, "mnuPrintGroup1", Cmd::PrintGroup, "打印...", kNoKey, When::GroupSelected,
     &frmmain::mnuPrintGroup1},

    {Menu::View, "mnuMyNotes", Cmd::ShowNotesBar, "我的记事本", kNoKey, When::Always, &frmmain::mnuMyNotes},
    {Menu::View, "mnuToolbar", Cmd::ShowToolbar, "工具栏", kNoKey, When::Always, &frmmain::mnuToolbar},
    {Menu::View, "mnuStatusbar", Cmd::ShowStatusBar, "状态栏", kNoKey, When::Always, &frmmain::mnuStatusbar},
    {Menu::View, "mnuNoteInfo", Cmd::ShowNoteInfo, "记事本信息", kNoKey, When::Always, &frmmain::mnuNoteInfo},
    {Menu::View, "mnuBlank7", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank7},
    {Menu::Layout, "mnuReport", Cmd::ReportView, "详细信息", kNoKey, When::Always, &frmmain::mnuReport},
    {Menu::Layout, "mnuIcons", Cmd::IconView, "图标", kNoKey, When::Always, &frmmain::mnuIcons},

    {Menu::Tools, "mnuPws", Cmd::SetPassword, "设置数据库密码", kNoKey, When::NotebookOpen, &frmmain::mnuPws},
    {Menu::Tools, "mnuCompact", Cmd::CompactNotebook, "修复数据库", kNoKey, When::NotebookOpen,
     &frmmain::mnuCompact},
    {Menu::Tools, "mnuBlank8", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank8},
    {Menu::Tools, "mnuOptions", Cmd::Options, "设置", kNoKey, When::Always, &frmmain::mnuOptions},
    {Menu::Tools, "mnuBlank9", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank9},
    {Menu::Tools, "mnuForum", Cmd::Forum, "Quillbook 综合论坛", kNoKey, When::Always, &frmmain::mnuForum},

    {Menu::Tray, "mnuRestore", Cmd::RestoreWindow, "显示窗口", kNoKey, When::Always, &frmmain::mnuRestore},
    {Menu::Tray, "mnuBlank4", std::nullopt, nullptr, kNoKey, When::Always, &frmmain::mnuBlank4},
    // Shown, unlike the design's hidden item: a tray menu should let the user quit.
    {Menu::Tray, "mnuExit1", Cmd::Exit, "退出", kNoKey, When::Always, &frmmain::mnuExit1},
};

} // namespace

std::span<const MenuDef> menuDefs()
{
    return kMenus;
}

std::span<const CommandRow> commandRows()
{
    return kCommands;
}

std::span<const ItemRow> itemRows()
{
    return kItems;
}

const CommandRow &rowOf(Cmd cmd)
{
    return *std::find_if(std::begin(kCommands), std::end(kCommands),
                         [cmd](const CommandRow &r) { return r.cmd == cmd; });
}

} // namespace commands
