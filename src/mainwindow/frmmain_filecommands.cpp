// New, back up and compact a notebook file (opening one is frmmain_opening.cpp).
#include "mainwindow/frmmain.h"

#include "base/AppState.h"
#include "base/Logging.h"
#include "base/Prompter.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/NotebookLifecycle.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "store/Notebook.h"
#include "store/FileOps.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTextEdit>

namespace {

const QString kDamaged = QStringLiteral("数据库文件存在错误.");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Two names for the same file (links and relative paths included).
bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

} // namespace

QString frmmain::fileFolder() const
{
    if (m_db.isOpen()) {
        const QFileInfo book(m_notebook->path());
        if (book.absoluteDir().exists())
            return book.absolutePath();
    }
    return QDir::homePath();
}

std::optional<QString> frmmain::AskFileName(bool isOpen, const QString &title, const QString &filter)
{
    const QString qtFilter = cmd::chooserFilter(filter);
    const QString chosen = isOpen ? m_prompter.openFileName(this, title, qtFilter, fileFolder())
                                  : m_prompter.saveFileName(this, title, qtFilter, fileFolder());
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void frmmain::mnuNew_Click()
{
    const std::optional<QString> path = AskFileName(false, QStringLiteral("New Database"), cmd::databaseFilter());
    if (!path)
        return;
    // The path as chosen: no extension is added, and an existing file is never replaced.
    if (!m_db.create(*path)) {
        qCWarning(lcStore) << "cannot create" << *path << m_db.lastError();
        m_prompter.msgBox(this,
                          QStringLiteral("创建数据库请注意：有一个错误或") + cmd::crlf()
                              + QStringLiteral("Possible reason(s):") + cmd::crlf() + QStringLiteral("已经存在"),
                          Prompter::Exclamation, cmd::notice());
    }
}

void frmmain::mnuBackup_Click()
{
    if (!m_db.isOpen())
        return;
    const std::optional<QString> target = AskFileName(false, QStringLiteral("Backup"), cmd::databaseFilter());
    if (!target)
        return;
    const QString source = m_notebook->path();
    if (sameFile(*target, source)) {
        m_prompter.msgBox(this,
                          QStringLiteral("不能备份到正在使用的数据库文件本身：") + cmd::crlf() + native(source)
                              + cmd::crlf() + QStringLiteral("请选择其它文件名。"),
                          Prompter::Exclamation, cmd::notice());
        return;
    }

    // Closed for the copy, so it sees every saved change; the copy goes to a temporary file
    // first, so a failure leaves an existing backup as it was.
    QString error;
    const int ok = m_notebook->runClosed(QStringLiteral("正在备份数据库..."), [&] {
        return FileOps::BackupTo(source, *target, &error);
    });
    if (ok != 1) {
        qCWarning(lcFiles) << "backup to" << *target << "failed:" << error;
        m_prompter.msgBox(this,
                          QStringLiteral("备份数据库发生错误：无法写入 '") + native(*target) + QLatin1Char('\'')
                              + cmd::crlf() + error + cmd::crlf() + QStringLiteral("原数据库文件没有改变。"),
                          Prompter::Exclamation, cmd::notice());
    }
    if (!m_db.isOpen()) {
        qCWarning(lcStore) << "cannot reopen" << source << m_db.lastError();
        m_prompter.msgBox(this, kDamaged + cmd::crlf() + native(source), Prompter::Exclamation, cmd::notice());
    }
}

void frmmain::mnuCompact_Click()
{
    if (!m_db.isOpen())
        return;
    const QString path = QFileInfo(m_notebook->path()).absoluteFilePath();

    // Compacted in place under the file's lock: another window's saves wait for it, a link to
    // the notebook stays a link, and a failure rolls back to the file as it was.
    QString error;
    const int ok = m_notebook->runClosed(QStringLiteral("正在修复数据库..."),
                                         [&] { return FileOps::Compact(path, &error); });
    if (ok != 1) {
        qCWarning(lcFiles) << "compaction of" << path << "failed:" << error;
        m_prompter.msgBox(this,
                          QStringLiteral("修复数据库发生错误：") + cmd::crlf() + error + cmd::crlf()
                              + QStringLiteral("原数据库文件没有改变。"),
                          Prompter::Exclamation, cmd::notice());
    }
    if (!m_db.isOpen()) {
        qCWarning(lcStore) << "cannot reopen" << path << m_db.lastError();
        m_prompter.msgBox(this, kDamaged + cmd::crlf() + native(path), Prompter::Exclamation, cmd::notice());
        return;
    }
    if (ok == 1)
        m_prompter.msgBox(this, QStringLiteral("数据库已经修复"), Prompter::Information, cmd::notice());
}
