// The window's side of the notebook's life: what it shows when one opens, locks or closes, and
// the commands that open one. The opening itself is NotebookLifecycle's.
#include "mainwindow/frmmain.h"

#include "base/Logging.h"
#include "base/Prompter.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/LockedNotice.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "mainwindow/NotebookLifecycle.h"
#include "store/Notebook.h"

#include <QFileInfo>
#include <QLabel>
#include <QTextEdit>

void frmmain::followNotebook()
{
    m_notebook = new NotebookLifecycle(m_state, m_settings, m_db, m_prompter, *m_groupTree, this,
                                       !m_commandLine.isEmpty());
    connect(m_notebook, &NotebookLifecycle::opened, this, [this] {
        // At start-up the first activation selects.
        if (!m_startingUp)
            selectFirstNote();
        updateCommandStates();
    });
    connect(m_notebook, &NotebookLifecycle::closed, this, [this] {
        clearPanes();
        updateCommandStates();
    });
    connect(m_notebook, &NotebookLifecycle::locked, this, &frmmain::updateCommandStates);
    connect(m_notebook, &NotebookLifecycle::reopened, this, &frmmain::updateCommandStates);
    connect(m_notebook, &NotebookLifecycle::failed, this, [this](const QString &message) {
        m_prompter.msgBox(this, message, Prompter::Exclamation, cmd::notice());
    });
    connect(m_notebook, &NotebookLifecycle::damaged, this, [this] {
        const int answer = m_prompter.msgBox(this,
                                             QStringLiteral("数据库文件已损坏，不再写入；记事仍可查看和导出。")
                                                 + cmd::crlf() + QStringLiteral("要从自动备份恢复吗？"),
                                             Prompter::Question, cmd::notice());
        if (answer == Prompter::Yes)
            run(Cmd::RestoreFromBackup);
    });
}

void frmmain::mnuOpen_Click()
{
    const std::optional<QString> chosen = AskFileName(true, QStringLiteral("打开数据库文件"),
                                                      QStringLiteral("数据库文件(*.qbf)|*.qbf|"));
    if (chosen)
        m_notebook->openChosen(*chosen);
}

void frmmain::mnuUnlock_Click()
{
    m_notebook->unlock();
}

void frmmain::offerReplacedNotebook()
{
    m_notebook->offerReplaced();
}

bool frmmain::notebookLocked() const
{
    return m_notebook->isLocked();
}

void frmmain::selectFirstNote()
{
    if (m_groupTree->nodeCount() > 0)
        SelectNode(m_groupTree->nodeCount() > 1 ? 2 : 1);
    if (m_noteList->count() > 0)
        SelectItem(1);
}

void frmmain::clearPanes()
{
    if (showingResults())
        leaveResults();
    m_groupTree->clear();
    m_noteList->model()->clear();
    m_noteList->refreshed();
    m_groupCaption->clear();
    m_noteCount->clear();
    clearPreview();
    m_noteChosen = false;
}

void frmmain::showLockedNotice()
{
    if (!notebookLocked()) {
        if (m_lockedNotice)
            m_lockedNotice->hide();
        return;
    }
    if (!m_lockedNotice) {
        m_lockedNotice = new LockedNotice(m_noteList);
        connect(m_lockedNotice, &LockedNotice::unlockClicked, this, [this] { run(Cmd::UnlockNotebook); });
    }
    m_lockedNotice->setFileName(QFileInfo(m_notebook->lockedPath()).fileName());
    m_lockedNotice->show();
    m_lockedNotice->raise();
}
