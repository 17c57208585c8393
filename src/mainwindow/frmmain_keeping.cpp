// Note history, recently deleted notes and the automatic copies of the open notebook.
#include "mainwindow/frmmain.h"

#include "app/Logging.h"
#include "app/Prompter.h"
#include "dialogs/frmBackups.h"
#include "dialogs/frmDeleted.h"
#include "dialogs/frmHistory.h"
#include "editor/frmAddNote.h"
#include "mainwindow/CommandTable.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListView.h"
#include "settings/SettingsStore.h"
#include "store/AutoBackup.h"
#include "store/DBase.h"

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
    const qint64 noteId = CurrentNoteId;
    // Only the note shown selected: a note left from another group's list is not the user's choice.
    if (!m_db.DatabaseIsOpen || commands::selectedNoteIndex(*this) == 0)
        return;
    frmHistory w(m_db, m_prompter, noteId,
                 [] { return frmAddNote::dateTimeText(QDateTime::currentDateTime()); }, this);
    m_prompter.exec(&w);
    if (w.changed())
        reloadPanes(noteId);
}

void frmmain::mnuDeleted_Click()
{
    if (!m_db.DatabaseIsOpen)
        return;
    frmDeleted w(m_db, m_prompter, this);
    m_prompter.exec(&w);
    if (w.changed())
        reloadPanes(CurrentNoteId);
}

void frmmain::reloadPanes(qint64 noteId)
{
    QTreeWidgetItem *node = tv1->node(CurrentNodeIndex);
    const QString key = node ? GroupTree::keyOf(node) : QString();
    m_db.LoadGroups(*tv1);
    if (!m_db.lastError().isEmpty())
        qCWarning(lcStore) << "cannot read the groups" << m_db.lastError();
    int index = tv1->nodeCount() > 1 ? 2 : 1;
    for (int i = 1; i <= tv1->nodeCount(); ++i) {
        if (GroupTree::keyOf(tv1->node(i)) == key)
            index = i;
    }
    SelectNode(index);
    if (!SelectNote(noteId) && LstV->count() > 0)
        SelectItem(1);
    updateCommandStates();
}

void frmmain::mnuFromBackup_Click()
{
    if (!m_db.DatabaseIsOpen)
        return;
    frmBackups w(AutoBackup::list(Tools::BackupFolderOf(m_settings), m_db.DatabasePath), this);
    if (m_prompter.exec(&w) == QDialog::Accepted && !w.chosen().isEmpty())
        openChosen(w.chosen());
    updateCommandStates();
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
    if (m_busy || !m_db.DatabaseIsOpen || !m_db.WritesRefused().isEmpty()
        || m_lastBackup.secsTo(now) < kBackupEverySecs)
        return;
    if (m_backupRunner->start(m_db.DatabasePath, Tools::BackupFolderOf(m_settings)))
        m_lastBackup = now;
}

void frmmain::backupAtExit()
{
    // A copy still running gives way (its temporary file goes with it) to a complete one now.
    delete m_backupRunner;
    m_backupRunner = nullptr;
    if (m_backupTimer)
        m_backupTimer->stop();
    if (!m_db.DatabaseIsOpen || !m_db.WritesRefused().isEmpty())
        return;
    BackupJob job(m_db.DatabasePath, Tools::BackupFolderOf(m_settings));
    if (job.runToEnd() == BackupJob::Failed)
        qCWarning(lcFiles) << "automatic copy at exit failed" << m_db.DatabasePath << job.error();
}
