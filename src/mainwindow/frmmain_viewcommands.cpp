// View switches, list layouts, tray, options, password, forum and exit.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "controls/Tray.h"
#include "dialogs/KeepSettings.h"
#include "dialogs/frmOptions.h"
#include "dialogs/frmPws2.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NotebookLifecycle.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "store/Notebook.h"
#include "store/KeptNotes.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QThread>

namespace {

// The project's discussion forum, opened by the forum item of the Tools menu.
const QString kForumUrl = QStringLiteral("https://github.com/quillbook/quillbook/discussions");

} // namespace

// The four pane switches: show or hide the pane as the tick says, store "1" for hidden. The tick
// has been flipped by the time these run (see frmmain::run).
void frmmain::mnuMyNotes_Click()
{
    const bool shown = action(Cmd::ShowNotesBar)->isChecked();
    ShowNotesBar(shown);
    Tools::SaveViewKey(QStringLiteral("NotesBar"), shown ? 0 : 1);
}

void frmmain::mnuToolbar_Click()
{
    const bool shown = action(Cmd::ShowToolbar)->isChecked();
    ShowToolbar(shown);
    Tools::SaveViewKey(QStringLiteral("Toolbar"), shown ? 0 : 1);
}

void frmmain::mnuStatusbar_Click()
{
    const bool shown = action(Cmd::ShowStatusBar)->isChecked();
    ShowStatusBar(shown);
    Tools::SaveViewKey(QStringLiteral("StatusBar"), shown ? 0 : 1);
}

void frmmain::mnuNoteInfo_Click()
{
    const bool shown = action(Cmd::ShowNoteInfo)->isChecked();
    ShowNoteInfo(shown);
    Tools::SaveViewKey(QStringLiteral("NoteInfo"), shown ? 0 : 1);
}

void frmmain::mnuReport_Click()
{
    m_noteList->setView(3);
    Tools::SaveViewKey(QStringLiteral("ListView"), 3);
}

void frmmain::mnuIcons_Click()
{
    m_noteList->setView(0);
    Tools::SaveViewKey(QStringLiteral("ListView"), 0);
}

void frmmain::mnuExit_Click()
{
    // From the tray menu the window is hidden, and closing a window that is not shown need not
    // end the event loop by itself. Only a running loop is asked to end: asking with none
    // running would make every later loop end at once.
    // The notebook stays open until the window's unloading has made the copy at exit.
    const bool hidden = !isVisible();
    close();
    if (hidden && QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::quit();
}

void frmmain::mnuOptions_Click()
{
    // The dialog puts a picked font into the settings at once; a cancelled dialog must not leave
    // it there for a later OK to store.
    const QString groupFont = m_settings.gGroupFont;
    const QString recordFont = m_settings.gRecordFont;
    const qint16 searchVariants = m_settings.gSearchVariants;
    const KeepLimits keepWish = Tools::KeepLimitsOf(m_settings);
    // The dialog shows the open notebook's own limits when it has them.
    if (const std::optional<KeepLimits> own = m_db.isOpen() ? KeptNotes(m_db).limits() : std::nullopt)
        Tools::SetKeepLimits(m_settings, *own);
    frmOptions dlg(m_state, m_settings, m_prompter, [this](int skin) { SetSkin(skin); }, this);
    if (m_prompter.exec(&dlg) == QDialog::Accepted) {
        applyFontString(m_settings.gGroupFont, m_groupTree, true);
        applyFontString(m_settings.gRecordFont, m_noteList, false);
        // The limits belong to the notebook; the settings keep them for notebooks without any.
        if (m_db.isOpen() && !KeptNotes(m_db).setLimits(Tools::KeepLimitsOf(m_settings)))
            qCInfo(lcStore) << "the notebook did not take the keep limits:" << m_db.lastError();
        // Shown results follow the new matching at once.
        if (m_showingResults && m_settings.gSearchVariants != searchVariants)
            refreshResults(m_noteChosen ? m_noteId : 0);
    } else {
        m_settings.gGroupFont = groupFont;
        m_settings.gRecordFont = recordFont;
        Tools::SetKeepLimits(m_settings, keepWish);
    }
}

void frmmain::mnuPws_Click()
{
    if (!m_db.isOpen())
        return;
    frmPws2 dlg(m_state, m_prompter, m_state.gPassword, this);
    if (m_prompter.exec(&dlg) != QDialog::Accepted)
        return;
    // Setting or removing a password writes a new file: the index's worker must not write to
    // the old one meanwhile.
    const bool protects = !m_state.gInputPassword.isEmpty();
    // Kept until the older copies are dealt with: they open with the old one.
    QString oldTyped = dlg.typedOldPassword();
    const int written = m_notebook->rewrite([this] { return m_db.writePassword(m_state.gInputPassword); });
    if (written != 1) {
        m_prompter.msgBox(this,
                          QStringLiteral("设置数据库密码发生错误，密码没有改变。") + cmd::crlf() + m_db.lastError(),
                          Prompter::Exclamation, cmd::notice());
    } else {
        // The next change must be checked against the password just set.
        m_state.gPassword = m_db.readPassword();
        if (protects)
            offerToProtectOlderCopies(oldTyped, m_state.gInputPassword);
    }
    oldTyped.fill(QChar(u'\0'));
    m_notebook->forgetTypedPassword();
}

void frmmain::mnuForum_Click()
{
    // Without a browser to start, the address is shown so it can be copied.
    if (!m_prompter.openUrl(kForumUrl))
        m_prompter.msgBox(this, QStringLiteral("无法打开浏览器。论坛地址：\n%1").arg(kForumUrl),
                          Prompter::Information, cmd::notice());
}

void frmmain::mnuRestore_Click()
{
    m_tray->setVisible(false);
    setWindowState(m_lastWindowState == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
    show();
    raise();
    activateWindow();
}

void frmmain::onTrayMouseDown(int button)
{
    if (refuseWhileBusy())
        return;
    if (button == 1)
        run(Cmd::RestoreWindow);
    else if (button == 2 && m_popupMenu)
        m_popupMenu(menu(commands::Menu::Tray), QCursor::pos());
}
