// View switches, list layouts, tray, options, password, forum and exit.
#include "mainwindow/frmmain.h"

#include "mainwindow/NoteListView.h"
#include "settings/SettingsStore.h"
#include "store/DBase.h"

#include <QAction>

// The four pane switches: flip the tick, show or hide the pane, store "1" for hidden.
void frmmain::mnuMyNotes_Click()
{
    mnuMyNotes->setChecked(!mnuMyNotes->isChecked());
    ShowNotesBar(mnuMyNotes->isChecked());
    Tools::SaveViewKey(QStringLiteral("NotesBar"), mnuMyNotes->isChecked() ? 0 : 1);
}

void frmmain::mnuToolbar_Click()
{
    mnuToolbar->setChecked(!mnuToolbar->isChecked());
    ShowToolbar(mnuToolbar->isChecked());
    Tools::SaveViewKey(QStringLiteral("Toolbar"), mnuToolbar->isChecked() ? 0 : 1);
}

void frmmain::mnuStatusbar_Click()
{
    mnuStatusbar->setChecked(!mnuStatusbar->isChecked());
    ShowStatusBar(mnuStatusbar->isChecked());
    Tools::SaveViewKey(QStringLiteral("StatusBar"), mnuStatusbar->isChecked() ? 0 : 1);
}

void frmmain::mnuNoteInfo_Click()
{
    mnuNoteInfo->setChecked(!mnuNoteInfo->isChecked());
    ShowNoteInfo(mnuNoteInfo->isChecked());
    Tools::SaveViewKey(QStringLiteral("NoteInfo"), mnuNoteInfo->isChecked() ? 0 : 1);
}

void frmmain::mnuReport_Click()
{
    LstV->setView(3);
    Tools::SaveViewKey(QStringLiteral("ListView"), 3);
}

void frmmain::mnuIcons_Click()
{
    LstV->setView(0);
    Tools::SaveViewKey(QStringLiteral("ListView"), 0);
}

void frmmain::mnuExit_Click()
{
    m_db.CloseDatabase();
    close();
}

void frmmain::mnuExit1_Click()
{
    mnuExit_Click();
}

// Not built yet: these do nothing.
void frmmain::mnuPws_Click() {}
void frmmain::mnuOptions_Click() {}
void frmmain::mnuForum_Click() {}
void frmmain::mnuRestore_Click() {}
void frmmain::Tray1_MouseDown(int button)
{
    Q_UNUSED(button);
}
