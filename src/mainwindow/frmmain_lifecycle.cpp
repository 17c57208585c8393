// Start-up, first activation, quick exit and shutdown of the main window.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Prompter.h"
#include "controls/Tray.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/SearchBox.h"
#include "controls/FontApply.h"
#include "settings/Instance.h"
#include "settings/SettingsStore.h"
#include "store/Notebook.h"
#include "util/Paths.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTextEdit>
#include <QTimer>

void frmmain::Form_Initialize()
{
    // Nothing to prepare: the widgets need no library set-up of their own.
}

bool frmmain::Form_Load()
{
    // One running instance only. The program calls a running one forward before it gets here;
    // this is said only when that one could not be reached.
    const bool another = m_isPrevInstance ? m_isPrevInstance() : Tools::ProcessLock().IsPrevInstance();
    if (another) {
        m_prompter.msgBox(this, QStringLiteral("实例已经打开."), Prompter::Information,
                          QStringLiteral("Quillbook"));
        return false;
    }

    // Settings, icons, first sort, view mode, window state, fonts, skin, tray.
    Tools::LoadSettings(m_settings);
    SetIcons();
    onListColumnClick(1);
    m_noteList->setView(m_settings.gListView);
    setWindowState(m_settings.gMaxsized != 0 ? Qt::WindowMaximized : Qt::WindowNoState);
    applyFontString(m_settings.gRecordFont, m_noteList, false);
    m_menuBrush = QBrush(m_menuTexture);
    m_skin = m_settings.gSkin;
    SetSkin(m_skin);
    m_tray->setToolTip(windowTitle());
    m_tray->setIcon(windowIcon());
    m_noteCaption->clear();
    m_groupCaption->clear();
    m_noteCount->clear();

    // Each view item is ticked opposite to the wish and then run, which flips it back, applies
    // and stores it.
    restoreViewOption(Cmd::ShowToolbar, m_settings.gToolbar);
    restoreViewOption(Cmd::ShowStatusBar, m_settings.gStatusBar);
    restoreViewOption(Cmd::ShowNotesBar, m_settings.gNotesBar);
    restoreViewOption(Cmd::ShowNoteInfo, m_settings.gNoteInfo);

    // The command line names the notebook, else the setting does. Open it; with nothing open, of
    // the toolbar only New and Open work.
    m_startingUp = true;
    m_notebook->openAtStartUp(m_commandLine.isEmpty() ? m_settings.gDatabase : m_commandLine);
    m_startingUp = false;
    startBackupTimer();

    // The first activation selects the first group and note.
    m_firstActivatePending = true;
    // After a password prompt the window is already up; run the first activation as soon as
    // the event loop turns rather than waiting for the window manager to activate it again.
    if (isVisible())
        QMetaObject::invokeMethod(this, &frmmain::Form_Activate, Qt::QueuedConnection);
    return true;
}

void frmmain::restoreViewOption(Cmd cmd, qint16 stored)
{
    action(cmd)->setChecked(stored != 0);
    run(cmd);
}

void frmmain::Form_Activate()
{
    if (!m_firstActivatePending || refuseWhileBusy())
        return;
    m_firstActivatePending = false;
    applyFontString(m_settings.gGroupFont, m_groupTree, true);
    SelectNode(m_groupTree->nodeCount() == 1 ? 1 : 2);
    if (m_noteList->count() > 0)
        SelectItem(1);
    if (m_afterFirstActivate)
        m_afterFirstActivate();
}

void frmmain::applyFontString(const QString &fontString, QWidget *control, bool isTree)
{
    if (isTree)
        Tools::ApplyFontString(fontString, control, [this](qint32 color) { SetNodeColor(color); });
    else
        Tools::ApplyFontString(fontString, control);
}

void frmmain::Form_KeyUp(int keyCode, Qt::KeyboardModifiers)
{
    if (keyCode == Qt::Key_Escape && m_settings.gQuickExit == 1)
        run(Cmd::Exit);
}

bool frmmain::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_client && e->type() == QEvent::Resize)
        Form_Resize();
    // Key preview: the release of Esc counts wherever the focus is inside this window, but only
    // while this window is the active one with no dialog, editor or menu open, and only when the
    // press came the same way: the press of an Esc that closed a dialog or a menu goes there, and
    // its release must not then quit. An event travelling up through the parents is seen once
    // per widget; only Esc acts, and it stops the release at once.
    const bool press = e->type() == QEvent::KeyPress;
    if ((press || e->type() == QEvent::KeyRelease) && !m_unloaded) {
        auto *ke = static_cast<QKeyEvent *>(e);
        auto *w = qobject_cast<QWidget *>(watched);
        // The search box keeps its Esc: there it ends the search.
        const bool here = w && w->window() == this && QApplication::activeWindow() == this
                          && !QApplication::activeModalWidget() && !QApplication::activePopupWidget()
                          && !m_searchBox->isAncestorOf(w);
        const bool esc = ke->key() == Qt::Key_Escape;
        if (press && esc && !ke->isAutoRepeat())
            m_escPressedHere = here;
        if (!press && here && !ke->isAutoRepeat() && (!esc || m_escPressedHere)) {
            const bool quits = esc && m_settings.gQuickExit == 1;
            Form_KeyUp(ke->key(), ke->modifiers());
            if (quits)
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

bool frmmain::event(QEvent *e)
{
    const bool handled = QMainWindow::event(e);
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return handled;
}

void frmmain::closeEvent(QCloseEvent *e)
{
    if (refuseWhileBusy()) {
        e->ignore();
        return;
    }
    Form_Unload();
    e->accept();
}

void frmmain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_backupTimer)
        m_backupTimer->stop(); // the copy at exit is the one to make now
    // Off the screen first: the last sync and the copy at exit of a large notebook take a second
    // or more, and the user has asked to be done.
    hide();
    m_tray->setVisible(false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_notebook->stopWork();
    backupAtExit();
    m_notebook->closeAtExit();
}
