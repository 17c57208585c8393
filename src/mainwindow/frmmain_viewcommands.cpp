// View switches, list layouts, tray, options, password, forum and exit.
#include "mainwindow/frmmain.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "controls/Tray.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmPws2.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "store/DBase.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QThread>

namespace {

// The project's discussion forum, opened by the forum item of the Tools menu.
const QString kForumUrl = QStringLiteral("https://github.com/quillbook/quillbook/discussions");

// Inverts the item's tick and returns the new one. An item chosen in the menu has already
// flipped its own tick by the time its handler runs, so only a direct call flips it here.
bool flipTick(QAction *item, const QObject *sender)
{
    if (sender != item)
        item->setChecked(!item->isChecked());
    return item->isChecked();
}

} // namespace

// The four pane switches: flip the tick, show or hide the pane, store "1" for hidden.
void frmmain::mnuMyNotes_Click()
{
    const bool shown = flipTick(mnuMyNotes, sender());
    ShowNotesBar(shown);
    Tools::SaveViewKey(QStringLiteral("NotesBar"), shown ? 0 : 1);
}

void frmmain::mnuToolbar_Click()
{
    const bool shown = flipTick(mnuToolbar, sender());
    ShowToolbar(shown);
    Tools::SaveViewKey(QStringLiteral("Toolbar"), shown ? 0 : 1);
}

void frmmain::mnuStatusbar_Click()
{
    const bool shown = flipTick(mnuStatusbar, sender());
    ShowStatusBar(shown);
    Tools::SaveViewKey(QStringLiteral("StatusBar"), shown ? 0 : 1);
}

void frmmain::mnuNoteInfo_Click()
{
    const bool shown = flipTick(mnuNoteInfo, sender());
    ShowNoteInfo(shown);
    Tools::SaveViewKey(QStringLiteral("NoteInfo"), shown ? 0 : 1);
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
    if (refuseWhileBusy())
        return;
    // From the tray menu the window is hidden, and closing a window that is not shown need not
    // end the event loop by itself. Only a running loop is asked to end: asking with none
    // running would make every later loop end at once.
    const bool hidden = !isVisible();
    m_db.CloseDatabase();
    close();
    if (hidden && QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::quit();
}

void frmmain::mnuExit1_Click()
{
    mnuExit_Click();
}

void frmmain::mnuOptions_Click()
{
    if (refuseWhileBusy())
        return;
    // The dialog puts a picked font into the settings at once; a cancelled dialog must not leave
    // it there for a later OK to store.
    const QString groupFont = m_settings.gGroupFont;
    const QString recordFont = m_settings.gRecordFont;
    frmOptions dlg(m_state, m_settings, m_prompter, [this](int skin) { SetSkin(skin); }, this);
    if (cmd::confirmed(m_state, m_prompter, dlg)) {
        applyFontString(m_settings.gGroupFont, tv1, true);
        applyFontString(m_settings.gRecordFont, LstV, false);
    } else {
        m_settings.gGroupFont = groupFont;
        m_settings.gRecordFont = recordFont;
    }
}

void frmmain::mnuPws_Click()
{
    if (!m_db.DatabaseIsOpen || refuseWhileBusy())
        return;
    frmPws2 dlg(m_state, m_prompter, m_state.gPassword, this);
    if (!cmd::confirmed(m_state, m_prompter, dlg))
        return;
    if (m_db.WritePassword(m_state.gInputPassword) != 1) {
        m_prompter.msgBox(this,
                          QStringLiteral("设置数据库密码发生错误, 密码没有改变.") + cmd::crlf() + m_db.lastError(),
                          Prompter::Exclamation, cmd::notice());
        return;
    }
    // The next change must be checked against the password just set.
    m_state.gPassword = m_db.ReadPassword();
}

void frmmain::mnuForum_Click()
{
    // Nothing is said if no browser opens.
    m_prompter.openUrl(kForumUrl);
}

void frmmain::mnuRestore_Click()
{
    Tray1_MouseDown(1);
}

void frmmain::Tray1_MouseDown(int button)
{
    if (refuseWhileBusy())
        return;
    if (button == 1) {
        Tray1->setVisible(false);
        setWindowState(LastWindowState == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
        show();
        raise();
        activateWindow();
    } else if (button == 2) {
        if (popupMenu)
            popupMenu(mnuTray, QCursor::pos());
    }
}
