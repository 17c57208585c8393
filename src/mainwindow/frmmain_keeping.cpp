// Note history, recently deleted notes and the automatic copies of the open notebook.
#include "mainwindow/frmmain.h"

#include "base/Logging.h"
#include "base/Prompter.h"
#include "dialogs/KeepSettings.h"
#include "dialogs/frmBackups.h"
#include "dialogs/frmDeleted.h"
#include "dialogs/frmHistory.h"
#include "dialogs/frmPws1.h"
#include "editor/frmAddNote.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/WindowCommands.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "store/AutoBackup.h"
#include "store/Notebook.h"
#include "store/Groups.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QTreeWidgetItem>

namespace {
// How often the window looks whether a day has passed since its last copy; a wall-clock test
// rather than a day-long timer, so a suspended machine still copies once it wakes.
constexpr int kBackupCheckMs = 60 * 60 * 1000;
constexpr qint64 kBackupEverySecs = 24 * 60 * 60;
} // namespace

void frmmain::mnuHistory_Click()
{
    const qint64 noteId = m_noteId;
    // Only the note shown selected: a note left from another group's list is not the user's choice.
    if (!m_db.isOpen() || WindowCommands::selectedNoteIndex(*this) == 0)
        return;
    frmHistory w(m_db, m_prompter, noteId,
                 [] { return frmAddNote::dateTimeText(QDateTime::currentDateTime()); }, this);
    m_prompter.exec(&w);
    if (w.changed())
        reloadPanes(noteId);
}

void frmmain::mnuDeleted_Click()
{
    if (!m_db.isOpen())
        return;
    frmDeleted w(m_db, m_prompter, this);
    m_prompter.exec(&w);
    if (w.changed())
        reloadPanes(m_noteId);
}

void frmmain::reloadPanes(qint64 noteId)
{
    QTreeWidgetItem *node = m_groupTree->node(m_nodeIndex);
    const QString key = node ? GroupTree::keyOf(node) : QString();
    Groups(m_db).load(*m_groupTree);
    if (!m_db.lastError().isEmpty())
        qCWarning(lcStore) << "cannot read the groups" << m_db.lastError();
    int index = m_groupTree->nodeCount() > 1 ? 2 : 1;
    for (int i = 1; i <= m_groupTree->nodeCount(); ++i) {
        if (GroupTree::keyOf(m_groupTree->node(i)) == key)
            index = i;
    }
    SelectNode(index);
    if (!SelectNote(noteId) && m_noteList->count() > 0)
        SelectItem(1);
}

void frmmain::mnuFromBackup_Click()
{
    // Also with no notebook open: a notebook that failed to open, or stayed locked, is when a
    // copy is needed most.
    const QString folder = Tools::BackupFolderOf(m_settings);
    const std::vector<AutoBackup::Copy> copies = m_notebook->path().isEmpty()
                                                     ? std::vector<AutoBackup::Copy>{}
                                                     : AutoBackup::list(folder, m_notebook->path());
    if (copies.empty()) {
        m_prompter.msgBox(this,
                          QStringLiteral("还没有这个数据库的自动备份。") + cmd::crlf()
                              + QStringLiteral("自动备份保存在：") + QDir::toNativeSeparators(folder) + cmd::crlf()
                              + QStringLiteral("每次退出程序时备份一次，程序开着时每天备份一次。"),
                          Prompter::Information, cmd::notice());
        return;
    }
    frmBackups w(copies, this);
    if (m_prompter.exec(&w) == QDialog::Accepted && !w.chosen().isEmpty())
        restoreFrom(w.chosen());
}

void frmmain::restoreFrom(const QString &copy)
{
    // A copy made under a password since changed asks for that password.
    if (AutoBackup::needsPassword(copy)) {
        frmPws1 prompt(m_state, m_prompter, this, m_db, copy);
        const int answer = m_prompter.exec(&prompt);
        m_notebook->forgetTypedPassword();
        if (answer != QDialog::Accepted)
            return;
    }
    const QString book = m_notebook->path();
    const bool wasOpen = m_db.isOpen();
    // Nothing may write to the file or copy it while it is replaced.
    if (m_backupRunner)
        m_backupRunner->stop();
    m_notebook->close();
    QString kept, error;
    const int ok = m_notebook->runLongWork(QStringLiteral("正在从备份恢复数据库..."), [&] {
        return AutoBackup::restore(book, copy, Tools::BackupFolderOf(m_settings), &kept, &error) ? 1 : 0;
    });
    if (ok != 1) {
        qCWarning(lcFiles) << "restoring" << book << "from" << copy << "failed:" << error;
        m_prompter.msgBox(this,
                          QStringLiteral("从备份恢复数据库发生错误：") + cmd::crlf() + error + cmd::crlf()
                              + QStringLiteral("原数据库文件没有改变。"),
                          Prompter::Exclamation, cmd::notice());
        if (wasOpen)
            m_notebook->openChosen(book);
        return;
    }
    m_notebook->openChosen(book);
    if (!kept.isEmpty())
        m_prompter.msgBox(this,
                          QStringLiteral("已从备份恢复数据库。恢复前的数据库另存为：") + cmd::crlf()
                              + QDir::toNativeSeparators(kept),
                          Prompter::Information, cmd::notice());
}

void frmmain::startBackupTimer()
{
    m_backupRunner = new BackupRunner(this);
    connect(m_backupRunner, &BackupRunner::finished, this,
            [](int state, const QString &copyPath, const QString &error) {
                if (state == BackupJob::Failed)
                    qCWarning(lcFiles) << "automatic copy failed" << copyPath << error;
            });
    m_backupTimer = new QTimer(this);
    m_backupTimer->setInterval(kBackupCheckMs);
    connect(m_backupTimer, &QTimer::timeout, this, &frmmain::backupIfDue);
    m_lastBackup = QDateTime::currentDateTime();
    m_backupTimer->start();
}

void frmmain::backupIfDue()
{
    const QDateTime now = QDateTime::currentDateTime();
    // Not while a compaction or a manual backup rewrites or copies the file, nor of a damaged
    // file: its copy would push a sound one out of the rotation.
    if (busy() || !m_db.isOpen() || !m_db.writesRefused().isEmpty()
        || m_lastBackup.secsTo(now) < kBackupEverySecs)
        return;
    if (m_backupRunner->start(m_notebook->path(), Tools::BackupFolderOf(m_settings)))
        m_lastBackup = now;
}

void frmmain::backupAtExit()
{
    // A copy still running gives way (its temporary file goes with it) to a complete one now.
    if (m_backupRunner)
        m_backupRunner->stop();
    if (m_backupTimer)
        m_backupTimer->stop();
    if (!m_db.isOpen() || !m_db.writesRefused().isEmpty())
        return;
    BackupJob job(m_notebook->path(), Tools::BackupFolderOf(m_settings));
    if (job.runToEnd() == BackupJob::Failed)
        qCWarning(lcFiles) << "automatic copy at exit failed" << m_notebook->path() << job.error();
}

void frmmain::offerToProtectOlderCopies(const QString &oldPassword, const QString &newPassword)
{
    std::vector<AutoBackup::Copy> copies = AutoBackup::list(Tools::BackupFolderOf(m_settings), m_notebook->path());
    const std::size_t offered = copies.size();
    if (offered == 0)
        return;
    const QString said = QStringLiteral("这个数据库的 %1 个自动备份是之前做的，不用新密码也能打开。").arg(copies.size());
    if (m_prompter.msgBox(this, said + cmd::crlf() + QStringLiteral("要用新密码重新加密它们吗？"), Prompter::Question,
                          cmd::notice())
        == Prompter::Yes) {
        const NotebookHeader::Cost cost = m_db.passwordCost();
        m_notebook->runLongWork(QStringLiteral("正在重新加密自动备份..."), [&] {
            std::erase_if(copies, [&](const AutoBackup::Copy &copy) {
                QString why;
                if (AutoBackup::reencrypt(copy.path, oldPassword, newPassword, cost, &why))
                    return true;
                qCWarning(lcFiles) << "automatic copy not re-encrypted" << copy.path << why;
                return false;
            });
            return 1;
        });
        if (copies.empty())
            return;
    }
    // What is left: all of them when the user said no, else those under an even older password.
    const QString question = copies.size() == offered
                                 ? said
                                 : QStringLiteral("有 %1 个自动备份没能重新加密，不用新密码也能打开。").arg(copies.size());
    if (m_prompter.msgBox(this, question + cmd::crlf() + QStringLiteral("要删除它们吗？"), Prompter::QuestionDefaultNo,
                          cmd::notice())
        != Prompter::Yes)
        return;
    int left = 0;
    for (const AutoBackup::Copy &copy : copies)
        left += QFile::remove(copy.path) ? 0 : 1;
    if (left > 0)
        m_prompter.msgBox(this, QStringLiteral("有 %1 个自动备份没能删除。").arg(left), Prompter::Exclamation,
                          cmd::notice());
}
