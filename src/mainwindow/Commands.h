#pragma once

// Every command of the main window. Where each one shows (menus, pop-up menus, toolbar), what it
// runs and when it is enabled is one row each in CommandTable.cpp; frmmain::run(Cmd) runs one and
// frmmain::action(Cmd) gives its button, or its first menu item when it has no button.
enum class Cmd {
    NewNotebook,
    OpenNotebook,
    BackupNotebook,
    Exit,
    AddGroup,
    RenameGroup,
    DeleteGroup,
    AddNote,
    EditNote,
    DeleteNote,
    MoveNote,
    ShowNotesBar,
    ShowToolbar,
    ShowStatusBar,
    ShowNoteInfo,
    ReportView,
    IconView,
    SetPassword,
    CompactNotebook,
    Options,
    Forum,
    RestoreWindow,
    NoteHistory,
    DeletedNotes,
    RestoreFromBackup,
    ExportNote,
    ExportGroup,
    ExportNotebook,
    PrintNote,
    PrintGroup,
    ImportFiles,
    ImportFolder,
};
