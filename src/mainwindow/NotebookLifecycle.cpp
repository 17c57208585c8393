// Opening a notebook, one way for every caller: the start-up (the command line names the file,
// else the settings do), File→Open, unlocking, a replaced file, a restored copy; an old notebook's
// conversion on the way. And the check for damage that follows every open.
#include "mainwindow/NotebookLifecycle.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "dialogs/KeepSettings.h"
#include "dialogs/frmPws1.h"
#include "legacy/JetReader.h"
#include "legacy/ui/LegacyOpen.h"
#include "mainwindow/CommandSupport.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "store/Notebook.h"
#include "store/KeptNotes.h"
#include "store/Groups.h"
#include "store/NotebookWorker.h"
#include "store/Sinks.h"
#include "util/Paths.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <memory>

namespace {

const QString kDamaged = QStringLiteral("数据库文件存在错误.");
const QString kRefused = QStringLiteral("数据库文件已损坏，不能写入。");

struct CheckResult
{
    Notebook::Integrity integrity = Notebook::Integrity::Unchecked;
    QString findings;
};

} // namespace

NotebookLifecycle::NotebookLifecycle(AppState &state, Settings &settings, Notebook &db, Prompter &prompter,
                                     GroupSink &groups, QWidget *window, bool namedOnCommandLine)
    : QObject(window)
    , m_state(state)
    , m_settings(settings)
    , m_db(db)
    , m_prompter(prompter)
    , m_groups(groups)
    , m_window(window)
    , m_namedOnCommandLine(namedOnCommandLine)
{
}

bool NotebookLifecycle::isOpen() const
{
    return m_db.isOpen();
}

bool NotebookLifecycle::isLocked() const
{
    return !m_db.isOpen() && !m_lockedPath.isEmpty() && m_path == m_lockedPath;
}

void NotebookLifecycle::emptyPanes()
{
    m_panesEmptied = true;
    Q_EMIT closed();
}

NotebookLifecycle::Outcome NotebookLifecycle::open(const QString &chosen, bool atStartUp)
{
    QString path = chosen;
    // An old notebook from the Windows program: offer to convert it, and carry on with the new
    // file. A "no" or a failed conversion has been explained to the user already.
    if (sniffFileKind(path) == FileKind::Jet4) {
        if (atStartUp)
            m_window->show();
        const LegacyOpenResult legacy = offerLegacyConversion(m_window, m_prompter, path);
        if (legacy.outcome == LegacyOpenResult::Declined || legacy.outcome == LegacyOpenResult::Failed)
            return Outcome::Declined;
        if (legacy.outcome == LegacyOpenResult::Converted) {
            // The settings named the old file; from now on they name the new one, or every start
            // would offer the conversion again.
            if (atStartUp && !m_namedOnCommandLine && m_settings.gDatabase == path) {
                m_settings.gDatabase = legacy.newPath;
                Tools::SaveDatabaseKey(legacy.newPath);
            }
            path = legacy.newPath;
        }
    }
    if (atStartUp)
        makeWritableForSession(path);

    stopWorkers();
    m_db.close();
    m_path = path;
    // An encrypted notebook cannot be read before its password is known: the prompt comes
    // first, and it checks the password by unlocking the notebook's key.
    bool unlocked = false;
    switch (Notebook::protectionOf(path)) {
    case Notebook::Protection::Plain:
        break;
    case Notebook::Protection::Damaged:
        qCWarning(lcStore) << "damaged header of the encrypted notebook" << path;
        return Outcome::Unreadable;
    case Notebook::Protection::Encrypted: {
        emptyPanes();
        if (atStartUp)
            m_window->show();
        frmPws1 prompt(m_state, m_prompter, m_window, m_db, path);
        const int answer = m_prompter.exec(&prompt);
        forgetTypedPassword();
        if (answer != QDialog::Accepted) {
            m_lockedPath = path;
            Q_EMIT locked(path);
            return Outcome::Locked;
        }
        unlocked = true;
        break;
    }
    }
    m_db.open(m_path);
    if (!m_db.isOpen()) {
        qCWarning(lcStore) << "cannot open" << path << m_db.lastError();
        return Outcome::Unreadable;
    }
    // An older copy of an encrypted notebook put in its place is said before anything of it shows.
    if (m_db.olderThanLastSeen()
        && m_prompter.msgBox(m_window, Notebook::OlderCopy + cmd::crlf() + QStringLiteral("仍要打开吗？"),
                             Prompter::QuestionDefaultNo, cmd::notice())
            != Prompter::Yes) {
        m_db.close();
        return Outcome::Declined;
    }
    m_state.gPassword = m_db.readPassword();
    if (!m_db.lastError().isEmpty()) {
        qCWarning(lcStore) << "cannot read the password of" << path << m_db.lastError();
        m_db.close();
        return Outcome::Unreadable;
    }
    emptyPanes();
    if (!m_state.gPassword.isEmpty() && !unlocked) {
        // The prompt stands in front of the window it unlocks, and it alone checks the password:
        // it closes with Accepted only once the password matched.
        if (atStartUp)
            m_window->show();
        frmPws1 prompt(m_state, m_prompter, m_window);
        const int answer = m_prompter.exec(&prompt);
        if (answer == QDialog::Accepted)
            offerEncryption();
        forgetTypedPassword();
        if (answer != QDialog::Accepted) {
            // Locked: nothing of it is shown and nothing can be written to it.
            m_db.close();
            m_lockedPath = path;
            Q_EMIT locked(path);
            return Outcome::Locked;
        }
    }
    Groups(m_db).load(m_groups);
    if (!m_db.lastError().isEmpty()) {
        qCWarning(lcStore) << "cannot read the groups of" << path << m_db.lastError();
        m_groups.clear();
        m_db.close();
        return Outcome::Unreadable;
    }
    m_lockedPath.clear();
    startWorkers();
    Q_EMIT opened();
    return Outcome::Opened;
}

void NotebookLifecycle::makeWritableForSession(const QString &path)
{
    // A read-only notebook is made writable for this session; closeAtExit gives it back. The
    // "user" bits tell what the running user may do, not what the file says; writing them back
    // would grant the owner rights the file never had.
    const QFileDevice::Permissions perms
        = QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    m_fileAttributes = perms;
    m_attributesPath = path;
    if (QFileInfo(path).isFile() && !(perms & QFileDevice::WriteOwner))
        QFile::setPermissions(path, perms | QFileDevice::WriteOwner);
}

void NotebookLifecycle::openAtStartUp(const QString &path)
{
    m_path = path;
    bool found = Tools::FileExists(path);
    // The very first start: the default notebook does not exist yet, so make it, and the user can
    // write at once. A path the user named is never created behind their back.
    if (!found && !m_namedOnCommandLine && path == Tools::DefaultDatabasePath()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        found = m_db.create(path);
        if (!found) {
            qCWarning(lcStore) << "cannot create" << path << m_db.lastError();
            Q_EMIT failed(QStringLiteral("无法建立数据库文件 '") + QDir::toNativeSeparators(path)
                          + QStringLiteral("'\r\n") + m_db.lastError());
        }
    }
    // A file that is there but is no notebook (damaged, someone else's database) is worth a
    // word: the user named it and would otherwise see an empty window without reason.
    if (found && open(path, true) == Outcome::Unreadable)
        Q_EMIT failed(kDamaged);
}

void NotebookLifecycle::openChosen(const QString &chosenPath)
{
    const QString previousPath = m_path;
    const bool previousOpen = m_db.isOpen();
    const QString previousPassword = m_state.gPassword;
    m_panesEmptied = false;
    const Outcome outcome = open(chosenPath, false);
    if (outcome == Outcome::Opened || outcome == Outcome::Locked)
        return;
    // Back to the notebook shown before; after a "no" or a failed conversion the user has been
    // told enough. One that was locked (or absent) stays closed: reopening it here would skip
    // its password.
    if (outcome == Outcome::Unreadable)
        Q_EMIT failed(kDamaged);
    const bool left = m_path != previousPath || !m_db.isOpen();
    if (left) {
        m_db.close();
        m_path = previousPath;
        m_state.gPassword = previousPassword;
        if (previousOpen)
            m_db.open(m_path);
    }
    if (previousOpen && !m_db.isOpen()) {
        // It went away meanwhile: show nothing of it.
        qCWarning(lcStore) << "cannot reopen" << previousPath << m_db.lastError();
        Q_EMIT failed(kDamaged + cmd::crlf() + QDir::toNativeSeparators(previousPath));
        emptyPanes();
    } else if (previousOpen && m_panesEmptied) {
        // The panes had been emptied for the file that failed.
        Groups(m_db).load(m_groups);
        Q_EMIT opened();
    } else {
        Q_EMIT reopened();
    }
}

void NotebookLifecycle::unlock()
{
    if (isLocked())
        openChosen(m_lockedPath);
}

void NotebookLifecycle::offerReplaced()
{
    if (m_db.lastError() != Notebook::ReplacedByAnother)
        return;
    const int answer
        = m_prompter.msgBox(m_window, Notebook::ReplacedByAnother + cmd::crlf() + QStringLiteral("要打开它吗？"),
                            Prompter::Question, cmd::notice());
    if (answer == Prompter::Yes)
        openChosen(m_path);
}

void NotebookLifecycle::close()
{
    stopWorkers();
    m_db.close();
    emptyPanes();
}

void NotebookLifecycle::stopWork()
{
    stopWorkers();
}

void NotebookLifecycle::closeAtExit()
{
    stopWorkers();
    m_db.close();
    // Give the start-up file back the permissions it had (a read-only notebook stays read-only).
    if (m_fileAttributes && !m_attributesPath.isEmpty() && Tools::FileExists(m_attributesPath))
        QFile::setPermissions(m_attributesPath, *m_fileAttributes);
}

void NotebookLifecycle::offerEncryption()
{
    // A password from before encryption guards only this program's door: the file itself stays
    // readable. Asked once per notebook; the typed password is what encrypts it.
    const QString identity = m_db.identity();
    if (m_db.encrypted() || m_db.readOnly() || identity.isEmpty() || Tools::EncryptionDeclined(identity))
        return;
    const int answer = m_prompter.msgBox(m_window,
                                         QStringLiteral("这个数据库有密码，但文件没有加密，别的程序能读出记事。")
                                             + cmd::crlf() + QStringLiteral("要现在加密吗？"),
                                         Prompter::Question, cmd::notice());
    if (answer != Prompter::Yes) {
        Tools::DeclineEncryption(identity);
        return;
    }
    const QString typed = m_state.gInputPassword;
    if (runLongWork(QStringLiteral("正在加密数据库..."), [&] { return m_db.writePassword(typed); }) != 1) {
        m_prompter.msgBox(m_window,
                          QStringLiteral("加密数据库发生错误，数据库没有改变。") + cmd::crlf() + m_db.lastError(),
                          Prompter::Exclamation, cmd::notice());
        return;
    }
    m_state.gPassword = m_db.readPassword();
}

void NotebookLifecycle::forgetTypedPassword()
{
    // Overwritten where it lies rather than only dropped: the text is not shared (a dialog
    // assigned it), so fill() writes over the one copy.
    m_state.gInputPassword.fill(QChar(u'\0'));
    m_state.gInputPassword.clear();
}

void NotebookLifecycle::whileBusy(const std::function<void()> &work)
{
    // Progress dialogs and the print preview let events through; commands that arrive
    // meanwhile (the tray's, the daily copy's timer) are refused until the work ends.
    m_busy = true;
    Q_EMIT busyChanged(true);
    work();
    m_busy = false;
    Q_EMIT busyChanged(false);
}

int NotebookLifecycle::runLongWork(const QString &label, const std::function<int()> &work)
{
    // The workers write to or read the file that this work copies or rewrites: they stop first
    // and carry on afterwards.
    stopWorkers();
    int result = 0;
    whileBusy([&] { result = cmd::runWithProgress(m_window, label, work); });
    startWorkers();
    return result;
}

int NotebookLifecycle::runClosed(const QString &label, const std::function<int()> &work)
{
    m_db.close();
    const int result = runLongWork(label, work);
    m_db.open(m_path);
    Q_EMIT reopened();
    return result;
}

int NotebookLifecycle::rewrite(const std::function<int()> &work)
{
    stopWorkers();
    const int result = work();
    startWorkers();
    return result;
}

void NotebookLifecycle::startWorkers()
{
    Q_EMIT readyForWork();
    if (m_db.writesRefused().isEmpty()) // damage already found stays found
        startIntegrityCheck();
}

void NotebookLifecycle::stopWorkers()
{
    delete m_integrityCheck;
    m_integrityCheck = nullptr;
    Q_EMIT stopping();
}

// Damage that opening does not read (a page deep in the file) is looked for after every open, on
// a worker with a connection of its own, so the window goes on meanwhile. The same worker then
// drops history past the notebook's limits: the one place where that happens.
void NotebookLifecycle::startIntegrityCheck()
{
    delete m_integrityCheck;
    m_integrityCheck = nullptr;
    if (!m_db.isOpen())
        return;
    auto result = std::make_shared<CheckResult>();
    // A notebook that has no limits of its own yet takes the user's.
    const KeepLimits wish = Tools::KeepLimitsOf(m_settings);
    const auto work = [result, wish](Notebook &db, NotebookWorker &worker) {
        if (!db.isOpen()) {
            result->findings = db.lastError();
            return;
        }
        result->integrity = db.checkIntegrity(worker.cancelled());
        result->findings = db.lastError();
        if (result->integrity != Notebook::Integrity::Intact || db.readOnly() || *worker.cancelled())
            return;
        if (!KeptNotes(db).limits() && !KeptNotes(db).setLimits(wish))
            qCInfo(lcStore) << "the notebook did not take the keep limits:" << db.lastError();
        if (!KeptNotes(db).prune())
            qCInfo(lcStore) << "history was not pruned:" << db.lastError();
    };
    const auto done = [this, result] {
        m_integrityCheck->deleteLater();
        m_integrityCheck = nullptr;
        if (result->integrity == Notebook::Integrity::Damaged)
            damageFound(result->findings);
        else if (result->integrity == Notebook::Integrity::Unchecked)
            qCInfo(lcStore) << "the notebook was not checked for damage:" << result->findings;
    };
    m_integrityCheck = new NotebookWorker(m_path, {}, work, done, this);
}

void NotebookLifecycle::damageFound(const QString &findings)
{
    qCWarning(lcStore) << "damage found in" << m_path << findings;
    // Nothing more goes into the damaged file, the index's build included, until a copy takes
    // its place; what it holds can still be read and exported.
    m_db.refuseWrites(kRefused);
    Q_EMIT stopping(); // a build running now has a store of its own
    Q_EMIT damaged(findings);
}
