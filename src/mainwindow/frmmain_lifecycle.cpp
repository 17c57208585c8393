// Start-up, first activation, quick exit and shutdown of the main window.
#include "mainwindow/frmmain.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "controls/Tray.h"
#include "dialogs/frmPws1.h"
#include "legacy/JetReader.h"
#include "legacy/ui/LegacyOpen.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "controls/FontApply.h"
#include "settings/Instance.h"
#include "settings/SettingsStore.h"
#include "store/DBase.h"
#include "store/Paths.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QTextEdit>

namespace {

const QString kNotice = QStringLiteral("提示");

} // namespace

void frmmain::Form_Initialize()
{
    // Nothing to prepare: the widgets need no library set-up of their own.
}

bool frmmain::Form_Load()
{
    // 1. One running instance only.
    const bool another = m_isPrevInstance ? m_isPrevInstance() : Tools::IsPrevInstance();
    if (another) {
        m_prompter.msgBox(this, QStringLiteral("实例已经打开."), Prompter::Information,
                          QStringLiteral("Quillbook"));
        return false;
    }

    // 2. Nothing that needs a notebook works before one is open.
    for (int i : {5, 6, 8, 9, 10})
        EnableButton(i, false);
    for (QAction *a : {mnuNew1, mnuRename1, mnuDelete1, mnuPws, mnuCompact})
        a->setEnabled(false);

    // 3.-12. Settings, icons, first sort, view mode, window state, fonts, skin, tray.
    Tools::LoadSettings(m_settings);
    SetIcons();
    LstV_ColumnClick(1);
    LstV->setView(m_settings.gListView);
    setWindowState(m_settings.gMaxsized != 0 ? Qt::WindowMaximized : Qt::WindowNoState);
    applyFontString(m_settings.gRecordFont, LstV, false);
    MenuBrush = QBrush(imgMenu);
    CurrentSkin = m_settings.gSkin;
    SetSkin(CurrentSkin);
    Tray1->setToolTip(windowTitle());
    Tray1->setIcon(windowIcon());
    lblNoteTitle->clear();
    lblGroup->clear();
    lblItems->clear();

    // 13. The command line names the notebook; else the setting does.
    m_db.DatabasePath = m_commandLine.isEmpty() ? m_settings.gDatabase : m_commandLine;

    // 14. Each view item is ticked opposite to the wish and then toggled, which applies and
    // stores it.
    restoreViewOption(mnuToolbar, m_settings.gToolbar, &frmmain::mnuToolbar_Click);
    restoreViewOption(mnuStatusbar, m_settings.gStatusBar, &frmmain::mnuStatusbar_Click);
    restoreViewOption(mnuMyNotes, m_settings.gNotesBar, &frmmain::mnuMyNotes_Click);
    restoreViewOption(mnuNoteInfo, m_settings.gNoteInfo, &frmmain::mnuNoteInfo_Click);

    // 15.-19.
    openStartupDatabase();

    // 20.
    FirstActivatePending = true;
    // After a password prompt the window is already up; run the first activation as soon as
    // the event loop turns rather than waiting for the window manager to activate it again.
    if (isVisible())
        QMetaObject::invokeMethod(this, &frmmain::Form_Activate, Qt::QueuedConnection);
    return true;
}

void frmmain::restoreViewOption(QAction *item, qint16 stored, void (frmmain::*handler)())
{
    item->setChecked(stored != 0);
    (this->*handler)();
}

void frmmain::openStartupDatabase()
{
    const QString path = m_db.DatabasePath;
    openFoundDatabase(path);
    // 19. Also when no file was found: with nothing open, of the toolbar only New and Open work.
    const bool open = m_db.DatabaseIsOpen;
    EnableButton(3, open);
    EnableButton(5, open);
    for (QAction *a : {mnuBackup, mnuNew1, mnuPws, mnuCompact})
        a->setEnabled(open);
}

void frmmain::openFoundDatabase(const QString &path)
{
    if (!Tools::FileExists(path)) {
        // The very first start: the default notebook does not exist yet, so make it, and the
        // user can write at once. A path the user named is never created behind their back.
        if (!m_commandLine.isEmpty() || path != Tools::DefaultDatabasePath())
            return;
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (m_db.CreateDatabase(path) != 1) {
            m_prompter.msgBox(this,
                              QStringLiteral("无法建立数据库文件 '") + QDir::toNativeSeparators(path)
                                  + QStringLiteral("'\r\n") + m_db.lastError(),
                              Prompter::Exclamation, kNotice);
            return;
        }
    }

    // An old notebook from the Windows program: offer to convert it, and carry on with the new
    // file. A "no" or a failed conversion has been explained to the user already.
    if (sniffFileKind(path) == FileKind::Jet4) {
        show();
        const LegacyOpenResult legacy = offerLegacyConversion(this, m_prompter, path);
        if (legacy.outcome == LegacyOpenResult::Declined || legacy.outcome == LegacyOpenResult::Failed)
            return;
        if (legacy.outcome == LegacyOpenResult::Converted) {
            m_db.DatabasePath = legacy.newPath;
            // The settings named the old file; from now on they name the new one, or every start
            // would offer the conversion again.
            if (m_commandLine.isEmpty() && m_settings.gDatabase == path) {
                m_settings.gDatabase = legacy.newPath;
                Tools::SaveSettings(m_settings);
            }
            openFoundDatabase(legacy.newPath);
            return;
        }
    }

    // 16. A read-only notebook is made writable for this session; Form_Unload gives it back.
    // The "user" bits tell what the running user may do, not what the file says; writing them
    // back would grant the owner rights the file never had.
    const QFileDevice::Permissions perms = QFile::permissions(path)
                                           & ~(QFileDevice::ReadUser | QFileDevice::WriteUser
                                               | QFileDevice::ExeUser);
    DbFileAttributes = perms;
    m_attributesPath = path;
    if (QFileInfo(path).isFile() && !(perms & QFileDevice::WriteOwner))
        QFile::setPermissions(path, perms | QFileDevice::WriteOwner);

    // 17.-18. A file that is there but is no notebook (damaged, someone else's database) is
    // worth a word: the user named it and would otherwise see an empty window without reason.
    m_db.OpenDatabase();
    if (!m_db.DatabaseIsOpen) {
        reportUnreadable();
        return;
    }
    m_state.gPassword = m_db.ReadPassword();
    if (!m_db.lastError().isEmpty()) {
        reportUnreadable();
    } else if (m_state.gPassword.isEmpty()) {
        loadGroupsChecked();
    } else {
        // The prompt stands in front of the window it unlocks.
        show();
        frmPws1 dlg(m_state, m_prompter, this);
        m_prompter.exec(&dlg);
        const bool unlocked = m_state.DialogResult == 1
                              && DBase::PasswordMatches(m_state.gInputPassword, m_state.gPassword);
        if (unlocked) {
            loadGroupsChecked();
        } else {
            // Locked: nothing of it is shown and nothing can be written to it.
            m_db.CloseDatabase();
        }
    }
}

void frmmain::loadGroupsChecked()
{
    m_db.LoadGroups(*tv1);
    if (!m_db.lastError().isEmpty())
        reportUnreadable();
}

void frmmain::reportUnreadable()
{
    m_prompter.msgBox(this, QStringLiteral("数据库文件存在错误."), Prompter::Exclamation, kNotice);
    tv1->clear();
    m_db.CloseDatabase();
}

void frmmain::Form_Activate()
{
    if (!FirstActivatePending || refuseWhileBusy())
        return;
    FirstActivatePending = false;
    applyFontString(m_settings.gGroupFont, tv1, true);
    SelectNode(tv1->nodeCount() == 1 ? 1 : 2);
    if (LstV->count() > 0)
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
        mnuExit_Click();
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
        const bool here = w && w->window() == this && QApplication::activeWindow() == this
                          && !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
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
    m_db.CloseDatabase();
    // Give the start-up file back the permissions it had (a read-only notebook stays read-only).
    if (DbFileAttributes && !m_attributesPath.isEmpty() && Tools::FileExists(m_attributesPath))
        QFile::setPermissions(m_attributesPath, *DbFileAttributes);
    Tray1->setVisible(false);
}

void frmmain::ClickToolbarButton(int index)
{
    if (QAction *b = Button(index))
        Toolbar1_ButtonClick(b);
}
