// Opening a notebook, one way for every caller: the start-up (the command line names the file,
// else the settings do), File→Open, and an old notebook's conversion on the way.
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "dialogs/frmPws1.h"
#include "legacy/JetReader.h"
#include "legacy/ui/LegacyOpen.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/LockedNotice.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "store/DBase.h"
#include "util/Paths.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTextEdit>

namespace {

const QString kDamaged = QStringLiteral("数据库文件存在错误.");

} // namespace

frmmain::OpenOutcome frmmain::openNotebook(const QString &chosen, bool atStartUp)
{
    QString path = chosen;
    // An old notebook from the Windows program: offer to convert it, and carry on with the new
    // file. A "no" or a failed conversion has been explained to the user already.
    if (sniffFileKind(path) == FileKind::Jet4) {
        if (atStartUp)
            show();
        const LegacyOpenResult legacy = offerLegacyConversion(this, m_prompter, path);
        if (legacy.outcome == LegacyOpenResult::Declined || legacy.outcome == LegacyOpenResult::Failed)
            return OpenOutcome::Declined;
        if (legacy.outcome == LegacyOpenResult::Converted) {
            // The settings named the old file; from now on they name the new one, or every start
            // would offer the conversion again.
            if (atStartUp && m_commandLine.isEmpty() && m_settings.gDatabase == path) {
                m_settings.gDatabase = legacy.newPath;
                Tools::SaveDatabaseKey(legacy.newPath);
            }
            path = legacy.newPath;
        }
    }
    if (atStartUp)
        makeWritableForSession(path);

    stopWorkers();
    m_db.CloseDatabase();
    m_db.DatabasePath = path;
    // An encrypted notebook cannot be read before its password is known: the prompt comes
    // first, and it checks the password by unlocking the notebook's key.
    bool unlocked = false;
    switch (DBase::ProtectionOf(path)) {
    case DBase::Protection::Plain:
        break;
    case DBase::Protection::Damaged:
        qCWarning(lcStore) << "damaged header of the encrypted notebook" << path;
        return OpenOutcome::Unreadable;
    case DBase::Protection::Encrypted: {
        clearPanes();
        if (atStartUp)
            show();
        frmPws1 prompt(m_state, m_prompter, this, m_db, path);
        const int answer = m_prompter.exec(&prompt);
        forgetTypedPassword();
        if (answer != QDialog::Accepted) {
            m_lockedPath = path;
            return OpenOutcome::Locked;
        }
        unlocked = true;
        break;
    }
    }
    m_db.OpenDatabase();
    if (!m_db.DatabaseIsOpen) {
        qCWarning(lcStore) << "cannot open" << path << m_db.lastError();
        return OpenOutcome::Unreadable;
    }
    // An older copy of an encrypted notebook put in its place is said before anything of it shows.
    if (m_db.OlderThanLastSeen()
        && m_prompter.msgBox(this, DBase::OlderCopy + cmd::crlf() + QStringLiteral("仍要打开吗？"),
                             Prompter::QuestionDefaultNo, cmd::notice())
               != Prompter::Yes) {
        m_db.CloseDatabase();
        return OpenOutcome::Declined;
    }
    m_state.gPassword = m_db.ReadPassword();
    if (!m_db.lastError().isEmpty()) {
        qCWarning(lcStore) << "cannot read the password of" << path << m_db.lastError();
        m_db.CloseDatabase();
        return OpenOutcome::Unreadable;
    }
    clearPanes();
    if (!m_state.gPassword.isEmpty() && !unlocked) {
        // The prompt stands in front of the window it unlocks, and it alone checks the password:
        // it closes with Accepted only once the password matched.
        if (atStartUp)
            show();
        frmPws1 prompt(m_state, m_prompter, this);
        const int answer = m_prompter.exec(&prompt);
        if (answer == QDialog::Accepted)
            offerEncryption();
        forgetTypedPassword();
        if (answer != QDialog::Accepted) {
            // Locked: nothing of it is shown and nothing can be written to it.
            m_db.CloseDatabase();
            m_lockedPath = path;
            return OpenOutcome::Locked;
        }
    }
    m_db.LoadGroups(*tv1);
    if (!m_db.lastError().isEmpty()) {
        qCWarning(lcStore) << "cannot read the groups of" << path << m_db.lastError();
        tv1->clear();
        m_db.CloseDatabase();
        return OpenOutcome::Unreadable;
    }
    m_lockedPath.clear();
    startWorkers();
    return OpenOutcome::Opened;
}

void frmmain::makeWritableForSession(const QString &path)
{
    // A read-only notebook is made writable for this session; Form_Unload gives it back. The
    // "user" bits tell what the running user may do, not what the file says; writing them back
    // would grant the owner rights the file never had.
    const QFileDevice::Permissions perms = QFile::permissions(path)
                                           & ~(QFileDevice::ReadUser | QFileDevice::WriteUser
                                               | QFileDevice::ExeUser);
    DbFileAttributes = perms;
    m_attributesPath = path;
    if (QFileInfo(path).isFile() && !(perms & QFileDevice::WriteOwner))
        QFile::setPermissions(path, perms | QFileDevice::WriteOwner);
}

void frmmain::openStartupDatabase()
{
    const QString path = m_db.DatabasePath;
    bool found = Tools::FileExists(path);
    // The very first start: the default notebook does not exist yet, so make it, and the user can
    // write at once. A path the user named is never created behind their back.
    if (!found && m_commandLine.isEmpty() && path == Tools::DefaultDatabasePath()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        found = m_db.CreateDatabase(path) == 1;
        if (!found) {
            qCWarning(lcStore) << "cannot create" << path << m_db.lastError();
            m_prompter.msgBox(this,
                              QStringLiteral("无法建立数据库文件 '") + QDir::toNativeSeparators(path)
                                  + QStringLiteral("'\r\n") + m_db.lastError(),
                              Prompter::Exclamation, cmd::notice());
        }
    }
    // A file that is there but is no notebook (damaged, someone else's database) is worth a
    // word: the user named it and would otherwise see an empty window without reason.
    if (found && openNotebook(path, true) == OpenOutcome::Unreadable)
        m_prompter.msgBox(this, kDamaged, Prompter::Exclamation, cmd::notice());
    updateCommandStates();
}

void frmmain::mnuOpen_Click()
{
    const std::optional<QString> chosen = AskFileName(true, QStringLiteral("打开数据库文件"),
                                                      QStringLiteral("数据库文件(*.qbf)|*.qbf|"));
    if (chosen)
        openChosen(*chosen);
    // After every outcome, a cancelled chooser included.
    updateCommandStates();
}

void frmmain::openChosen(const QString &chosenPath)
{
    const QString previousPath = m_db.DatabasePath;
    const bool previousOpen = m_db.DatabaseIsOpen;
    const QString previousPassword = m_state.gPassword;
    const OpenOutcome outcome = openNotebook(chosenPath, false);
    if (outcome == OpenOutcome::Opened) {
        selectFirstNote();
    } else if (outcome != OpenOutcome::Locked) {
        // Back to the notebook shown before; after a "no" or a failed conversion the user has
        // been told enough. One that was locked (or absent) stays closed: reopening it here
        // would skip its password.
        if (outcome == OpenOutcome::Unreadable)
            m_prompter.msgBox(this, kDamaged, Prompter::Exclamation, cmd::notice());
        const bool left = m_db.DatabasePath != previousPath || !m_db.DatabaseIsOpen;
        if (left) {
            m_db.CloseDatabase();
            m_db.DatabasePath = previousPath;
            m_state.gPassword = previousPassword;
            if (previousOpen)
                m_db.OpenDatabase();
        }
        if (previousOpen && !m_db.DatabaseIsOpen) {
            // It went away meanwhile: show nothing of it.
            qCWarning(lcStore) << "cannot reopen" << previousPath << m_db.lastError();
            m_prompter.msgBox(this, kDamaged + cmd::crlf() + QDir::toNativeSeparators(previousPath),
                              Prompter::Exclamation, cmd::notice());
            clearPanes();
        } else if (previousOpen && tv1->nodeCount() == 0) {
            // The panes had been emptied for the file that failed.
            m_db.LoadGroups(*tv1);
            selectFirstNote();
        }
    }
}

void frmmain::offerEncryption()
{
    // A password from before encryption guards only this program's door: the file itself stays
    // readable. Asked once per notebook; the typed password is what encrypts it.
    const QString identity = m_db.Identity();
    if (m_db.Encrypted() || m_db.ReadOnly() || identity.isEmpty() || Tools::EncryptionDeclined(identity))
        return;
    const int answer = m_prompter.msgBox(this, QStringLiteral("这个数据库有密码，但文件没有加密，别的程序能读出记事。")
                                                   + cmd::crlf() + QStringLiteral("要现在加密吗？"),
                                         Prompter::Question, cmd::notice());
    if (answer != Prompter::Yes) {
        Tools::DeclineEncryption(identity);
        return;
    }
    const QString typed = m_state.gInputPassword;
    if (runLongWork(QStringLiteral("正在加密数据库..."), [&] { return m_db.WritePassword(typed); }) != 1) {
        m_prompter.msgBox(this, QStringLiteral("加密数据库发生错误，数据库没有改变。") + cmd::crlf() + m_db.lastError(),
                          Prompter::Exclamation, cmd::notice());
        return;
    }
    m_state.gPassword = m_db.ReadPassword();
}

void frmmain::forgetTypedPassword()
{
    // Overwritten where it lies rather than only dropped: the text is not shared (a dialog
    // assigned it), so fill() writes over the one copy.
    m_state.gInputPassword.fill(QChar(u'\0'));
    m_state.gInputPassword.clear();
}

void frmmain::offerReplacedNotebook()
{
    if (m_db.lastError() != DBase::ReplacedByAnother)
        return;
    const int answer = m_prompter.msgBox(this, DBase::ReplacedByAnother + cmd::crlf() + QStringLiteral("要打开它吗？"),
                                         Prompter::Question, cmd::notice());
    if (answer == Prompter::Yes)
        openChosen(m_db.DatabasePath);
    updateCommandStates();
}

void frmmain::selectFirstNote()
{
    if (tv1->nodeCount() > 0)
        SelectNode(tv1->nodeCount() > 1 ? 2 : 1);
    if (LstV->count() > 0)
        SelectItem(1);
}

void frmmain::clearPanes()
{
    if (showingResults())
        leaveResults();
    tv1->clear();
    LstV->model()->clear();
    LstV->refreshed();
    lblGroup->clear();
    lblItems->clear();
    clearPreview();
    m_noteChosen = false;
}

bool frmmain::notebookLocked() const
{
    return !m_db.DatabaseIsOpen && !m_lockedPath.isEmpty() && m_db.DatabasePath == m_lockedPath;
}

void frmmain::showLockedNotice()
{
    if (!notebookLocked()) {
        if (m_lockedNotice)
            m_lockedNotice->hide();
        return;
    }
    if (!m_lockedNotice) {
        m_lockedNotice = new LockedNotice(LstV);
        connect(m_lockedNotice, &LockedNotice::unlockClicked, this, [this] { run(Cmd::UnlockNotebook); });
    }
    m_lockedNotice->setFileName(QFileInfo(m_lockedPath).fileName());
    m_lockedNotice->show();
    m_lockedNotice->raise();
}

void frmmain::mnuUnlock_Click()
{
    if (!notebookLocked())
        return;
    openChosen(m_lockedPath);
    updateCommandStates();
}
