// Sync: its settings, a run on a worker with what it says in the status strip, the automatic
// runs, a notebook made from a place, and the list of conflicts.
#include "mainwindow/frmmain.h"

#include "base/Logging.h"
#include "base/Prompter.h"
#include "controls/Named.h"
#include "dialogs/ConflictsDialog.h"
#include "dialogs/KeepSettings.h"
#include "dialogs/SyncSecretDialog.h"
#include "dialogs/SyncSettingsDialog.h"
#include "dialogs/frmHistory.h"
#include "editor/frmAddNote.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/SkinPane.h"
#include "store/AutoBackup.h"
#include "store/Notebook.h"
#include "store/NotebookWorker.h"
#include "sync/FolderPlace.h"
#include "sync/NotebookReplica.h"
#include "sync/SyncRun.h"
#include "sync/WebDavPlace.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <memory>

// What a run on the worker found, for the window.
struct SyncOutcome
{
    SyncRun::Outcome outcome = SyncRun::Outcome::Failed;
    QString error;
    int taken = 0;
    bool placeEmpty = false; // no notebook there yet: a passphrase asked for makes its key
};

namespace {

constexpr int kAfterSaveMs = 60 * 1000;
constexpr int kEveryMs = 10 * 60 * 1000;
constexpr int kAtExitMs = 3000;
// A sync waits for the index's build or the check after an open to let go of the file: nobody
// waits for the sync meanwhile.
constexpr int kSyncBusyMs = 120 * 1000;

std::unique_ptr<SyncPlace> placeOf(const SyncSettings &s)
{
    if (s.kind == SyncSettings::Kind::Folder)
        return std::make_unique<FolderPlace>(s.address);
    return std::make_unique<WebDavPlace>(QUrl(s.address), s.user, s.password);
}

bool holdsNoKey(SyncPlace &place)
{
    const std::optional<QList<SyncPlace::Entry>> root = place.list(QString());
    return root && std::none_of(root->begin(), root->end(), [](const SyncPlace::Entry &e) {
        return e.name == QLatin1String(SyncRun::KeyFile);
    });
}

// One sync of the notebook the worker opened. A joining notebook is made here first (off the
// window's thread: making a file waits for the disk); it takes a place's notebook, and never
// makes a new place with a passphrase typed once.
void syncOn(Notebook &db, const QString &path, const SyncSettings &settings, const QString &passphrase, bool joining,
            const QString &backupFolder, const std::atomic<bool> *cancel, SyncOutcome &out)
{
    if (joining && !db.isOpen() && !QFileInfo::exists(path)
        && !(db.create(path) && db.open(path) && SyncSetup::write(db, settings))) {
        out.error = db.lastError();
        return;
    }
    if (!db.isOpen()) {
        out.error = db.lastError();
        return;
    }
    const std::unique_ptr<SyncPlace> place = placeOf(settings);
    if (joining && holdsNoKey(*place)) {
        out.placeEmpty = true;
        return;
    }
    NotebookReplica replica(db);
    // Before the first sync takes anything in, an automatic copy of the notebook as it was.
    if (!joining && replica.placeId().isEmpty()) {
        BackupJob copy(path, backupFolder);
        if (copy.runToEnd() == BackupJob::Failed) {
            out.error = QStringLiteral("no automatic copy before the first sync: ") + copy.error();
            return;
        }
    }
    SyncRun run(*place, replica);
    run.cancel = cancel;
    out.outcome = run.run(passphrase);
    // A step of the notebook's that failed says why in the notebook.
    out.error = run.error().isEmpty() ? db.lastError() : run.error();
    out.taken = run.taken();
    if (out.outcome == SyncRun::Outcome::NeedPassphrase)
        out.placeEmpty = holdsNoKey(*place);
}

// What the status strip says after a run that did not complete.
QString failureText(SyncRun::Outcome o)
{
    switch (o) {
    case SyncRun::Outcome::Done: break;
    case SyncRun::Outcome::Unreachable: return QStringLiteral("无法连接同步位置，这里什么也没有改变。");
    case SyncRun::Outcome::AccessRefused:
        return QStringLiteral("同步服务器不接受这个用户名或密码，这里什么也没有改变。");
    case SyncRun::Outcome::NeedPassphrase: return QStringLiteral("没有同步：需要同步口令。");
    case SyncRun::Outcome::WrongPassphrase: return QStringLiteral("同步口令不对，没有同步。");
    case SyncRun::Outcome::OtherNotebook: return QStringLiteral("同步位置已有另一个数据库，没有同步。可用“从同步位置打开...”取用它。");
    case SyncRun::Outcome::PlaceLost:
        return QStringLiteral("同步位置已被清空或换掉，没有同步，这里什么也没有改变。");
    case SyncRun::Outcome::Refused: return QStringLiteral("同步位置上的文件损坏或被改动过，没有采用。");
    case SyncRun::Outcome::Failed: return QStringLiteral("同步没有完成。");
    case SyncRun::Outcome::Cancelled: return QStringLiteral("同步已停止，下次继续。");
    }
    return QString();
}

} // namespace

void frmmain::followSync()
{
    m_syncStatus = Tools::named<QLabel>("lblSync", m_statusStrip);
    m_syncStatus->setAttribute(Qt::WA_TranslucentBackground);
    m_syncStatus->setFont(m_noteCount->font());
    m_syncStatus->hide();
    static_cast<QHBoxLayout *>(m_statusStrip->layout())->addWidget(m_syncStatus);
    connect(m_syncStatus, &QLabel::linkActivated, this, [this](const QString &link) {
        run(link == QLatin1String("conflicts") ? Cmd::SyncConflicts : Cmd::SyncNow);
    });

    m_syncAfterSave = new QTimer(this);
    m_syncAfterSave->setSingleShot(true);
    m_syncAfterSave->setInterval(kAfterSaveMs);
    m_syncEvery = new QTimer(this);
    m_syncEvery->setInterval(kEveryMs);
    for (QTimer *t : {m_syncAfterSave, m_syncEvery})
        connect(t, &QTimer::timeout, this, [this] { syncAutomatically(); });

    connect(m_notebook, &NotebookLifecycle::readyForWork, this, [this] {
        m_syncEvery->start();
        syncAutomatically();
    });
    connect(m_notebook, &NotebookLifecycle::leaving, this, &frmmain::syncAtExit);
    // What the strip said was of the notebook that closed.
    connect(m_notebook, &NotebookLifecycle::closed, this, [this] {
        m_syncStatus->hide();
        m_syncedAt = QTime();
    });
    connect(m_notebook, &NotebookLifecycle::stopping, this, &frmmain::stopSync);
}

std::optional<SyncSettings> frmmain::syncSettings() const
{
    if (!m_db.isOpen())
        return std::nullopt;
    std::optional<SyncSettings> s = SyncSetup::read(m_db);
    if (!s && !m_db.lastError().isEmpty())
        qCWarning(lcStore) << "cannot read the sync settings" << m_db.lastError();
    return s;
}

void frmmain::mnuSyncSettings_Click()
{
    if (!m_db.isOpen())
        return;
    std::optional<SyncSettings> before = syncSettings();
    if (before)
        before->password = serverPassword(*before, false).value_or(QString());
    SyncSettingsDialog dlg(before, false, m_prompter, this);
    if (m_prompter.exec(&dlg) != QDialog::Accepted)
        return;
    const SyncSettings chosen = dlg.settings();
    rememberServerPassword(chosen);
    // Another place: this notebook joins it as a new one there (what it made here stays).
    const bool moved = before && (before->kind != chosen.kind || before->address != chosen.address);
    if ((moved && !SyncSetup::leave(m_db)) || !SyncSetup::write(m_db, chosen)) {
        qCWarning(lcStore) << "sync settings not saved" << m_db.lastError();
        m_prompter.msgBox(this, QStringLiteral("同步设置没有保存。") + cmd::crlf() + m_db.lastError(),
                          Prompter::Exclamation, cmd::notice());
        return;
    }
    m_syncAfterSave->stop();
    startSync(true, QString());
}

namespace {
QString serverKey(const SyncSettings &s)
{
    return s.address + QLatin1Char('\n') + s.user;
}
} // namespace

// The notebook keeps no server password. Typed once, it is kept for this run of the program.
std::optional<QString> frmmain::serverPassword(const SyncSettings &s, bool ask)
{
    if (s.kind != SyncSettings::Kind::WebDav || s.user.isEmpty())
        return QString();
    const auto kept = m_serverPasswords.constFind(serverKey(s));
    if (kept != m_serverPasswords.cend())
        return *kept;
    if (!ask)
        return std::nullopt;
    SyncSecretDialog dlg(SyncSecretDialog::Asked::ServerPassword, m_prompter, this,
                         s.user + QLatin1Char('@') + QUrl(s.address).host());
    if (m_prompter.exec(&dlg) != QDialog::Accepted)
        return std::nullopt;
    m_serverPasswords.insert(serverKey(s), dlg.secret());
    return dlg.secret();
}

void frmmain::rememberServerPassword(const SyncSettings &s)
{
    // Left empty, it is asked for when a sync needs it.
    if (s.kind == SyncSettings::Kind::WebDav && !s.user.isEmpty() && !s.password.isEmpty())
        m_serverPasswords.insert(serverKey(s), s.password);
}

void frmmain::mnuSyncNow_Click()
{
    if (!m_db.isOpen())
        return;
    if (!syncSettings()) {
        run(Cmd::SyncSettings);
        return;
    }
    startSync(true, QString());
}

void frmmain::syncAutomatically()
{
    if (m_syncRun || busy() || m_unloaded)
        return;
    const std::optional<SyncSettings> s = syncSettings();
    if (s && s->automatic)
        startSync(false, QString());
}

void frmmain::syncAfterCommand(Cmd cmd)
{
    // The commands that may save a note or a group; a run with nothing to send costs little.
    static constexpr Cmd kSaving[] = {Cmd::AddGroup,     Cmd::RenameGroup, Cmd::DeleteGroup, Cmd::AddNote,
                                      Cmd::EditNote,     Cmd::DeleteNote,  Cmd::MoveNote,    Cmd::NoteHistory,
                                      Cmd::DeletedNotes, Cmd::ImportFiles, Cmd::ImportFolder, Cmd::SyncConflicts};
    if (m_db.isOpen() && std::find(std::begin(kSaving), std::end(kSaving), cmd) != std::end(kSaving))
        m_syncAfterSave->start();
}

void frmmain::showSyncStatus(const QString &text, bool retry)
{
    m_syncedAt = QTime();
    m_syncStatus->setText(retry ? text.toHtmlEscaped() + QStringLiteral(" <a href=\"sync\">立即同步</a>") : text);
    m_syncStatus->show();
}

void frmmain::runSyncWorker(const QString &path, const SyncSettings &settings, const QString &passphrase,
                            bool joining, std::function<void(const SyncOutcome &)> then)
{
    showSyncStatus(QStringLiteral("正在同步…"), false);
    auto out = std::make_shared<SyncOutcome>();
    const QString backupFolder = Tools::BackupFolderOf(m_settings);
    const auto work = [path, settings, passphrase, joining, backupFolder, out](Notebook &db, NotebookWorker &worker) {
        syncOn(db, path, settings, passphrase, joining, backupFolder, worker.cancelled(), *out);
    };
    const auto done = [this, out, then = std::move(then)] {
        m_syncRun->deleteLater();
        m_syncRun = nullptr;
        // Asking for the passphrase, or being stopped, is part of the way.
        const SyncRun::Outcome o = out->outcome;
        if (o == SyncRun::Outcome::NeedPassphrase || o == SyncRun::Outcome::Cancelled)
            qCInfo(lcSync) << "sync ended:" << int(o);
        else if (o != SyncRun::Outcome::Done)
            qCWarning(lcSync) << "sync did not complete:" << int(o) << out->error;
        then(*out);
    };
    m_syncRun = new NotebookWorker(path, m_db.index(), work, done, this, kSyncBusyMs);
}

void frmmain::startSync(bool manual, const QString &passphrase)
{
    if (m_syncRun) {
        m_syncAgain = m_syncAgain || manual;
        return;
    }
    std::optional<SyncSettings> s = syncSettings();
    if (!s)
        return;
    m_syncAfterSave->stop();
    // The worker's own session would not know that this file takes no more writes.
    if (m_db.readOnly() || !m_db.writesRefused().isEmpty()) {
        showSyncStatus(QStringLiteral("数据库文件不能写入，没有同步。"), false);
        return;
    }
    const std::optional<QString> password = serverPassword(*s, manual);
    if (!password) {
        showSyncStatus(QStringLiteral("需要 WebDAV 服务器的密码，没有同步。"), true);
        return;
    }
    s->password = *password;
    runSyncWorker(m_notebook->path(), *s, passphrase, false, [this, manual](const SyncOutcome &out) { syncEnded(out, manual); });
}

void frmmain::syncEnded(const SyncOutcome &out, bool manual)
{
    if (out.taken > 0 && m_db.isOpen()) {
        // What came in shows as after any change from outside; a note open in the editor keeps
        // what is typed there, and saving it makes the newest version.
        if (showingResults())
            refreshResults(m_noteChosen ? m_noteId : 0);
        else
            reloadPanes(m_noteId);
    }
    // Asked for by the user: the passphrase the place needs is asked, and the sync goes on.
    if (out.outcome == SyncRun::Outcome::NeedPassphrase && manual && !m_unloaded) {
        m_syncStatus->hide(); // not 正在同步… while the user is asked
        SyncSecretDialog ask(out.placeEmpty ? SyncSecretDialog::Asked::NewPassphrase : SyncSecretDialog::Asked::Passphrase,
                             m_prompter, this);
        if (m_prompter.exec(&ask) == QDialog::Accepted) {
            startSync(true, ask.secret());
            return;
        }
    }
    // A password the server refused is asked again by the next 立即同步, not sent again.
    if (out.outcome == SyncRun::Outcome::AccessRefused)
        if (const std::optional<SyncSettings> s = syncSettings())
            m_serverPasswords.remove(serverKey(*s));
    if (out.outcome == SyncRun::Outcome::Done)
        showSyncedStatus(QTime::currentTime());
    else
        showSyncStatus(failureText(out.outcome), true);
    if (std::exchange(m_syncAgain, false) && !m_unloaded)
        startSync(true, QString());
}

// A conflict is said where the user looks after a sync, with the way to the list.
void frmmain::showSyncedStatus(const QTime &at)
{
    const QString synced = QStringLiteral("已同步 ") + at.toString(QStringLiteral("HH:mm"));
    const std::optional<QList<SyncConflicts::Conflict>> conflicts = SyncConflicts::list(m_db);
    if (!conflicts || conflicts->isEmpty()) {
        showSyncStatus(synced, false);
    } else {
        m_syncStatus->setText(synced + QStringLiteral("，%1 条记事有冲突 <a href=\"conflicts\">冲突</a>").arg(conflicts->size()));
        m_syncStatus->show();
    }
    m_syncedAt = at;
}

void frmmain::stopSync()
{
    // Stops between two files; what was taken in stays, the rest waits for the next run.
    delete m_syncRun;
    m_syncRun = nullptr;
    m_syncAgain = false;
    m_syncAfterSave->stop();
    m_syncEvery->stop();
}

void frmmain::syncAtExit()
{
    std::optional<SyncSettings> s = syncSettings();
    const std::optional<QString> password = s ? serverPassword(*s, false) : std::nullopt;
    if (!s || !s->automatic || !password)
        return;
    s->password = *password;
    QEventLoop wait;
    QTimer::singleShot(kAtExitMs, &wait, &QEventLoop::quit);
    const auto finished = [&wait](const SyncOutcome &) { wait.quit(); };
    // A run already going is waited for; else one more sends what was saved since.
    if (!m_syncRun)
        runSyncWorker(m_notebook->path(), *s, QString(), false, finished);
    else
        connect(m_syncRun, &QObject::destroyed, &wait, &QEventLoop::quit);
    if (m_syncRun)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    // What is not done by now is left for the next start (stopSync cancels it).
}

void frmmain::mnuConflicts_Click()
{
    if (!m_db.isOpen())
        return;
    ConflictsDialog w(m_db, m_prompter,
                      [this](qint64 noteId) {
                          frmHistory h(m_db, m_prompter, noteId,
                                       [] { return frmAddNote::dateTimeText(QDateTime::currentDateTime()); }, this);
                          m_prompter.exec(&h);
                          return h.changed();
                      },
                      this);
    m_prompter.exec(&w);
    if (w.changed())
        reloadPanes(m_noteId);
    if (m_syncedAt.isValid())
        showSyncedStatus(m_syncedAt); // the count of conflicts it said may be gone
}

void frmmain::mnuOpenFromSync_Click()
{
    if (m_syncRun)
        return;
    SyncSettingsDialog where(std::nullopt, true, m_prompter, this);
    if (m_prompter.exec(&where) != QDialog::Accepted)
        return;
    SyncSettings settings = where.settings();
    settings.automatic = true;
    rememberServerPassword(settings);
    SyncSecretDialog ask(SyncSecretDialog::Asked::Passphrase, m_prompter, this);
    if (m_prompter.exec(&ask) != QDialog::Accepted)
        return;
    const std::optional<QString> path = AskFileName(false, QStringLiteral("新数据库保存为"), cmd::databaseFilter());
    if (!path)
        return;
    // A notebook of its own, never in place of another file; the first sync fills it.
    if (QFileInfo::exists(*path)) {
        m_prompter.msgBox(this, QStringLiteral("这个文件已经存在，请换一个文件名。"), Prompter::Exclamation, cmd::notice());
        return;
    }
    joinInto(*path, settings, ask.secret());
}

void frmmain::joinInto(const QString &path, const SyncSettings &settings, const QString &passphrase)
{
    runSyncWorker(path, settings, passphrase, true, [this, path, settings](const SyncOutcome &out) {
        if (out.outcome == SyncRun::Outcome::Done) {
            showSyncStatus(QStringLiteral("已同步 ") + QTime::currentTime().toString(QStringLiteral("HH:mm")), false);
            m_notebook->openChosen(path);
            return;
        }
        if (out.outcome == SyncRun::Outcome::WrongPassphrase) {
            SyncSecretDialog again(SyncSecretDialog::Asked::Passphrase, m_prompter, this);
            m_prompter.msgBox(this, failureText(out.outcome), Prompter::Exclamation, cmd::notice());
            if (m_prompter.exec(&again) == QDialog::Accepted) {
                joinInto(path, settings, again.secret());
                return;
            }
        } else {
            const QString said = !QFileInfo::exists(path) ? QStringLiteral("无法新建数据库：") + cmd::crlf() + out.error
                                 : out.placeEmpty       ? QStringLiteral("这个同步位置还没有数据库。")
                                                        : failureText(out.outcome);
            m_prompter.msgBox(this, said, Prompter::Exclamation, cmd::notice());
        }
        // The new file holds only what came from the place, which is still there.
        m_syncStatus->clear();
        m_syncStatus->hide();
        for (const char *side : {"", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(side));
    });
}
