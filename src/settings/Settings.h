#pragma once

#include <QString>
#include <QtGlobal>

// The twelve user preferences of the original program, and five of ours. main() owns the one instance; LoadSettings fills it.
// Member defaults are those of an empty store, except gDatabase, whose default depends on the
// user's data folder (DefaultDatabasePath() in SettingsStore.h).
struct Settings
{
    QString gDatabase;
    qint16 gQuickExit = 0; // 1 = Esc closes the program
    qint16 gMaxsized = 0;  // 1 = main window opens maximised
    qint16 gMinToTray = 1; // 1 = minimising hides the window to the tray
    qint16 gToolbar = 0;   // 0 = toolbar shown, 1 = hidden
    qint16 gListView = 3;  // 3 = report view, 0 = large icons
    qint16 gNoteInfo = 0;  // 0 = note information pane shown
    qint16 gStatusBar = 0; // 0 = status bar shown
    qint16 gNotesBar = 0;  // 0 = group pane shown
    QString gGroupFont = QStringLiteral("Arial,8,0,0,0,0,0"); // with colour: seven fields
    QString gRecordFont = QStringLiteral("Arial,8,0,0,0,0");  // without colour: six fields
    qint16 gSkin = 0; // 0 = "Cool Blue", otherwise "Windows 2000"

    // What is kept of replaced and deleted notes, and where automatic copies go (options dialog).
    qint16 gKeepDays = 60;     // days of history and of deleted notes, 1..3650
    qint16 gKeepVersions = 100; // versions per note, 1..10000
    qint16 gKeepPercent = 25;  // largest share of the notebook the history may take, 1..100
    QString gBackupFolder;     // "" = the default folder of automatic copies
    qint16 gSearchVariants = 0; // 1 = search finds Traditional and Simplified characters by each other
};
