// The command table: every menu, every command with its toolbar button, every menu item.
// Adding a command: an enumerator in Commands.h, a row in WindowCommands::rows() naming what it
// runs, its items in kItems. The window makes the items and the button from these rows; code
// reaches them by frmmain::action(Cmd), the tests by the items' object names.
#include "mainwindow/CommandTable.h"

#include "mainwindow/WindowCommands.h"
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
    {Menu::File, "mnuFile", "文件(&F)", std::nullopt, nullptr, true},
    {Menu::Import, "mnuImport", "导入", Menu::File, "mnuPrint", false},
    {Menu::Export, "mnuExport", "导出", Menu::File, "mnuPrint", false},
    {Menu::Action, "mnuAction", "操作(&A)", std::nullopt, nullptr, true},
    {Menu::Notes, "mnuNotes", "记事本", Menu::Action, nullptr, false},
    {Menu::Groups, "mnuGroups", "组", Menu::Action, nullptr, false},
    {Menu::View, "mnuView", "查看(&V)", std::nullopt, nullptr, true},
    {Menu::Layout, "mnuLayout", "排列", Menu::View, nullptr, false},
    {Menu::Tools, "mnuTools", "工具(&T)", std::nullopt, nullptr, true},
    {Menu::GroupPopup, "mnuGroup", "GroupMenu", std::nullopt, nullptr, false},
    {Menu::NotePopup, "mnuNote", "NoteGroup", std::nullopt, nullptr, false},
    {Menu::Tray, "mnuTray", "Tray", std::nullopt, nullptr, false},
};

const ItemRow kItems[] = {
    {Menu::File, "mnuNew", Cmd::NewNotebook, "新建", Qt::CTRL | Qt::Key_N, When::Always},
    {Menu::File, "mnuOpen", Cmd::OpenNotebook, "打开", kNoKey, When::Always},
    {Menu::File, "mnuUnlock", Cmd::UnlockNotebook, "解锁数据库...", kNoKey, When::NotebookLocked},
    {Menu::File, "mnuBackup", Cmd::BackupNotebook, "另备份为...", kNoKey, When::NotebookOpen},
    {Menu::File, "mnuFromBackup", Cmd::RestoreFromBackup, "从自动备份恢复...", kNoKey, When::Always},
    {Menu::File, "mnuFromSync", Cmd::OpenFromSync, "从同步位置打开...", kNoKey, When::Always},
    {Menu::File, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::File, "mnuPrint", Cmd::PrintNote, "打印...", Qt::CTRL | Qt::Key_P, When::NoteSelected},
    {Menu::File, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::File, "mnuExit", Cmd::Exit, "退出", kNoKey, When::Always},
    {Menu::Import, "mnuImportFiles", Cmd::ImportFiles, "文件...", kNoKey, When::GroupSelected},
    {Menu::Import, "mnuImportFolder", Cmd::ImportFolder, "文件夹...", kNoKey, When::GroupSelected},
    {Menu::Export, "mnuExportNote", Cmd::ExportNote, "当前记事...", kNoKey, When::NoteSelected},
    {Menu::Export, "mnuExportGroup", Cmd::ExportGroup, "当前组...", kNoKey, When::GroupSelected},
    {Menu::Export, "mnuExportBook", Cmd::ExportNotebook, "整个数据库...", kNoKey, When::NotebookOpen},

    {Menu::GroupPopup, "mnuNewNote3", Cmd::AddNote, "新建记事本", kNoKey, When::Always},
    {Menu::GroupPopup, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::GroupPopup, "mnuNewGroup", Cmd::AddGroup, "新建组", kNoKey, When::Always},
    {Menu::GroupPopup, "mnuRename", Cmd::RenameGroup, "重命名", QKeyCombination(Qt::Key_F2), When::Always},
    {Menu::GroupPopup, "mnuDelete", Cmd::DeleteGroup, "删除", QKeyCombination(Qt::Key_Delete), When::Always},
    {Menu::GroupPopup, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::GroupPopup, "mnuExportGroup1", Cmd::ExportGroup, "导出...", kNoKey, When::GroupSelected},
    {Menu::GroupPopup, "mnuPrintGroup", Cmd::PrintGroup, "打印...", kNoKey, When::GroupSelected},

    {Menu::NotePopup, "mnuEditNote", Cmd::EditNote, "编辑", Qt::CTRL | Qt::Key_O, When::NoteSelected},
    {Menu::NotePopup, "mnuNewNote", Cmd::AddNote, "新建记事本", kNoKey, When::Always},
    {Menu::NotePopup, "mnuDel", Cmd::DeleteNote, "删除", Qt::CTRL | Qt::Key_D, When::NoteSelected},
    {Menu::NotePopup, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::NotePopup, "mnuMove", Cmd::MoveNote, "移动", kNoKey, When::NoteSelected},
    {Menu::NotePopup, "mnuHistory", Cmd::NoteHistory, "历史版本", kNoKey, When::NoteSelected},
    {Menu::NotePopup, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::NotePopup, "mnuExportNote1", Cmd::ExportNote, "导出...", kNoKey, When::NoteSelected},

    {Menu::Notes, "mnuEdit1", Cmd::EditNote, "编辑", kNoKey, When::NoteSelected},
    {Menu::Notes, "mnuNewNote1", Cmd::AddNote, "新建记事本", kNoKey, When::GroupSelected},
    {Menu::Notes, "mnuDelete2", Cmd::DeleteNote, "删除", kNoKey, When::NoteSelected},
    {Menu::Notes, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::Notes, "mnuMove1", Cmd::MoveNote, "移动", kNoKey, When::NoteSelected},
    {Menu::Notes, "mnuHistory1", Cmd::NoteHistory, "历史版本", kNoKey, When::NoteSelected},
    {Menu::Notes, "mnuDeleted", Cmd::DeletedNotes, "最近删除", kNoKey, When::NotebookOpen},
    {Menu::Notes, "mnuConflicts", Cmd::SyncConflicts, "冲突", kNoKey, When::NotebookOpen},
    {Menu::Notes, "mnuFind", Cmd::FindNotes, "搜索记事", Qt::CTRL | Qt::Key_F, When::NotebookOpen},
    {Menu::Groups, "mnuNew1", Cmd::AddGroup, "新建组", kNoKey, When::NotebookOpen},
    {Menu::Groups, "mnuRename1", Cmd::RenameGroup, "重命名", kNoKey, When::GroupSelected},
    {Menu::Groups, "mnuDelete1", Cmd::DeleteGroup, "删除", kNoKey, When::GroupSelected},
    {Menu::Groups, "mnuPrintGroup1", Cmd::PrintGroup, "打印...", kNoKey, When::GroupSelected},

    {Menu::View, "mnuMyNotes", Cmd::ShowNotesBar, "我的记事本", kNoKey, When::Always},
    {Menu::View, "mnuToolbar", Cmd::ShowToolbar, "工具栏", kNoKey, When::Always},
    {Menu::View, "mnuStatusbar", Cmd::ShowStatusBar, "状态栏", kNoKey, When::Always},
    {Menu::View, "mnuNoteInfo", Cmd::ShowNoteInfo, "记事本信息", kNoKey, When::Always},
    {Menu::View, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::Layout, "mnuReport", Cmd::ReportView, "详细信息", kNoKey, When::Always},
    {Menu::Layout, "mnuIcons", Cmd::IconView, "图标", kNoKey, When::Always},

    {Menu::Tools, "mnuPws", Cmd::SetPassword, "设置数据库密码", kNoKey, When::NotebookOpen},
    {Menu::Tools, "mnuCompact", Cmd::CompactNotebook, "修复数据库", kNoKey, When::NotebookOpen},
    {Menu::Tools, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::Tools, "mnuSyncSettings", Cmd::SyncSettings, "同步设置...", kNoKey, When::NotebookOpen},
    {Menu::Tools, "mnuSyncNow", Cmd::SyncNow, "立即同步", kNoKey, When::NotebookOpen},
    {Menu::Tools, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::Tools, "mnuOptions", Cmd::Options, "设置", kNoKey, When::Always},
    {Menu::Tools, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    {Menu::Tools, "mnuForum", Cmd::Forum, "Quillbook 综合论坛", kNoKey, When::Always},

    {Menu::Tray, "mnuRestore", Cmd::RestoreWindow, "显示窗口", kNoKey, When::Always},
    {Menu::Tray, nullptr, std::nullopt, nullptr, kNoKey, When::Always},
    // Shown, unlike the design's hidden item: a tray menu should let the user quit.
    {Menu::Tray, "mnuExit1", Cmd::Exit, "退出", kNoKey, When::Always},
};

} // namespace

std::span<const MenuDef> menuDefs()
{
    return kMenus;
}

std::span<const CommandRow> commandRows()
{
    return WindowCommands::rows();
}

std::span<const ItemRow> itemRows()
{
    return kItems;
}

const CommandRow &rowOf(Cmd cmd)
{
    const auto rows = commandRows();
    return *std::find_if(rows.begin(), rows.end(), [cmd](const CommandRow &r) { return r.cmd == cmd; });
}

} // namespace commands

// Inside the window's friend, so a row may name a handler the window keeps to itself.
std::span<const commands::CommandRow> WindowCommands::rows()
{
    using namespace commands;
    static const CommandRow kCommands[] = {
        {Cmd::NewNotebook, [](frmmain &w) { w.mnuNew_Click(); }, false, "NEW", "新建", ":/toolbar/new.png", 1,
         When::Always},
        {Cmd::OpenNotebook, [](frmmain &w) { w.mnuOpen_Click(); }, false, "OPEN", "打开", ":/toolbar/open.png", 2,
         When::Always},
        {Cmd::BackupNotebook, [](frmmain &w) { w.mnuBackup_Click(); }, false, "BACKUP", "备份数据库",
         ":/toolbar/backup.png", 3, When::NotebookOpen},
        {Cmd::AddGroup, &WindowCommands::addGroup, false, "ADD_GROUP", "添加组", ":/toolbar/add_group.png", 5,
         When::NotebookOpen},
        {Cmd::DeleteGroup, &WindowCommands::deleteGroup, false, "DELETE_GROUP", "删除组", ":/toolbar/delete_group.png",
         6, When::GroupSelected},
        {Cmd::AddNote, &WindowCommands::addNote, false, "ADD_NOTE", "新建记事本", ":/toolbar/add_note.png", 8,
         When::GroupSelected},
        {Cmd::EditNote, &WindowCommands::editNote, false, "EDIT_NOTE", "编辑记事本", ":/toolbar/edit_note.png", 9,
         When::NoteSelected},
        {Cmd::DeleteNote, &WindowCommands::deleteNote, false, "DEL_NOTE", "删除记事本", ":/toolbar/del_note.png", 10,
         When::NoteSelected},
        {Cmd::RenameGroup, &WindowCommands::renameGroup, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::MoveNote, &WindowCommands::moveNote, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::Exit, [](frmmain &w) { w.mnuExit_Click(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ShowNotesBar, [](frmmain &w) { w.mnuMyNotes_Click(); }, true, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ShowToolbar, [](frmmain &w) { w.mnuToolbar_Click(); }, true, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ShowStatusBar, [](frmmain &w) { w.mnuStatusbar_Click(); }, true, nullptr, nullptr, nullptr, 0,
         When::Always},
        {Cmd::ShowNoteInfo, [](frmmain &w) { w.mnuNoteInfo_Click(); }, true, nullptr, nullptr, nullptr, 0,
         When::Always},
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
        {Cmd::DeletedNotes, [](frmmain &w) { w.mnuDeleted_Click(); }, false, nullptr, nullptr, nullptr, 0,
         When::Always},
        {Cmd::RestoreFromBackup, [](frmmain &w) { w.mnuFromBackup_Click(); }, false, nullptr, nullptr, nullptr, 0,
         When::Always},
        {Cmd::FindNotes, [](frmmain &w) { w.focusSearch(); }, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ExportNote, &WindowCommands::exportNote, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ExportGroup, &WindowCommands::exportGroup, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ExportNotebook, &WindowCommands::exportNotebook, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::PrintNote, &WindowCommands::printNote, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::PrintGroup, &WindowCommands::printGroup, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ImportFiles, &WindowCommands::importFiles, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::ImportFolder, &WindowCommands::importFolder, false, nullptr, nullptr, nullptr, 0, When::Always},
        {Cmd::UnlockNotebook, [](frmmain &w) { w.mnuUnlock_Click(); }, false, nullptr, nullptr, nullptr, 0,
         When::Always},
        {Cmd::SyncSettings, [](frmmain &w) { w.mnuSyncSettings_Click(); }, false, nullptr, nullptr, nullptr, 0,
         When::Always},
        {Cmd::SyncNow, [](frmmain &w) { w.mnuSyncNow_Click(); }, false, "SYNC", "立即同步", ":/toolbar/sync.png", 12,
         When::NotebookOpen},
        {Cmd::OpenFromSync, [](frmmain &w) { w.mnuOpenFromSync_Click(); }, false, nullptr, nullptr, nullptr, 0,
         When::Always},
        {Cmd::SyncConflicts, [](frmmain &w) { w.mnuConflicts_Click(); }, false, nullptr, nullptr, nullptr, 0,
         When::Always},
    };
    return kCommands;
}
