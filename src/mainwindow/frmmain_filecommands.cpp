// New, open, back up and compact a notebook file.
#include "mainwindow/frmmain.h"

#include "app/AppState.h"
#include "app/Prompter.h"
#include "dialogs/frmPws1.h"
#include "legacy/ui/LegacyOpen.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/GroupTree.h"
#include "mainwindow/NoteListModel.h"
#include "mainwindow/NoteListView.h"
#include "store/DBase.h"
#include "store/FileOps.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTextEdit>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const QString kDatabaseFilter = QStringLiteral("数据库文件(*.qbf)|*.qbf|");
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

// Replaces dst by src in one step (the rename of the platform, which overwrites).
bool renameOver(const QString &src, const QString &dst, QString *error)
{
    if (std::rename(QFile::encodeName(src).constData(), QFile::encodeName(dst).constData()) == 0)
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

// Empties the tree, the list, the captions and the preview.
void clearPanes(frmmain &w)
{
    w.tv1->clear();
    w.LstV->model()->clear();
    w.LstV->refreshed();
    w.lblGroup->clear();
    w.lblItems->clear();
    w.txtNote->clear();
    w.lblNoteTitle->clear();
    w.imgInfo->hide();
}

} // namespace

QString frmmain::fileFolder() const
{
    if (m_db.DatabaseIsOpen) {
        const QFileInfo book(m_db.DatabasePath);
        if (book.absoluteDir().exists())
            return book.absolutePath();
    }
    return QDir::homePath();
}

int frmmain::runLongWork(const QString &label, const std::function<int()> &work)
{
    m_busy = true;
    const int result = cmd::runWithProgress(this, label, work);
    m_busy = false;
    return result;
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
    if (refuseWhileBusy())
        return;
    const std::optional<QString> path = AskFileName(false, QStringLiteral("New Database"), kDatabaseFilter);
    if (!path)
        return;
    // The path as chosen: no extension is added, and an existing file is never replaced.
    if (m_db.CreateDatabase(*path) != 1)
        m_prompter.msgBox(this,
                          QStringLiteral("创建数据库请注意：有一个错误或") + cmd::crlf()
                              + QStringLiteral("Possible reason(s):") + cmd::crlf() + QStringLiteral("已经存在"),
                          Prompter::Exclamation, cmd::notice());
}

void frmmain::mnuOpen_Click()
{
    if (refuseWhileBusy())
        return;
    const QString previousPath = m_db.DatabasePath;
    const bool previousOpen = m_db.DatabaseIsOpen;
    const QString previousPassword = m_state.gPassword;

    // Opens path in place of the current notebook; a file that opens but whose tables cannot be
    // read counts as not opened.
    const auto tryOpen = [&](const QString &path) {
        m_db.CloseDatabase();
        m_db.DatabasePath = path;
        m_db.OpenDatabase();
        if (!m_db.DatabaseIsOpen)
            return false;
        m_state.gPassword = m_db.ReadPassword();
        if (m_db.lastError().isEmpty())
            return true;
        m_db.CloseDatabase();
        return false;
    };
    // Back to the notebook shown before. One that was locked (or absent) stays closed: reopening
    // it here would skip its password.
    const auto fallBack = [&](bool tell) {
        if (tell)
            m_prompter.msgBox(this, kDamaged, Prompter::Exclamation, cmd::notice());
        m_db.CloseDatabase();
        m_db.DatabasePath = previousPath;
        m_state.gPassword = previousPassword;
        if (!previousOpen)
            return;
        m_db.OpenDatabase();
        if (!m_db.DatabaseIsOpen) {
            // It went away meanwhile: show nothing of it.
            m_prompter.msgBox(this, kDamaged + cmd::crlf() + native(previousPath), Prompter::Exclamation,
                              cmd::notice());
            clearPanes(*this);
        }
    };

    const std::optional<QString> chosen = AskFileName(true, QStringLiteral("打开数据库文件"), kDatabaseFilter);
    bool opened = false;
    if (chosen) {
        opened = tryOpen(*chosen);
        if (!opened) {
            // An old notebook can be converted. After a "no" or a failed conversion the user has
            // been told enough; anything else is a damaged file.
            const LegacyOpenResult legacy = offerLegacyConversion(this, m_prompter, *chosen);
            if (legacy.outcome == LegacyOpenResult::Converted)
                opened = tryOpen(legacy.newPath);
            if (!opened)
                fallBack(legacy.outcome == LegacyOpenResult::NotLegacy
                         || legacy.outcome == LegacyOpenResult::Converted);
        }
    }

    if (opened) {
        clearPanes(*this);
        for (int i : {5, 6, 8, 9, 10})
            EnableButton(i, false);
        for (QAction *a : {mnuNew1, mnuRename1, mnuDelete1, mnuNewNote1, mnuEdit1, mnuDelete2, mnuMove1, mnuPws,
                           mnuCompact})
            a->setEnabled(false);

        bool unlocked = true;
        if (!m_state.gPassword.isEmpty()) {
            frmPws1 dlg(m_state, m_prompter, this);
            const bool ok = cmd::confirmed(m_state, m_prompter, dlg);
            unlocked = ok && DBase::PasswordMatches(m_state.gInputPassword, m_state.gPassword);
        }
        if (unlocked) {
            m_db.LoadGroups(*tv1);
            if (!m_db.lastError().isEmpty()) {
                tv1->clear();
                fallBack(true);
                if (m_db.DatabaseIsOpen)
                    m_db.LoadGroups(*tv1);
            }
        } else {
            // Locked: nothing of it is shown and nothing can be written to it.
            m_db.CloseDatabase();
        }
        if (tv1->nodeCount() > 0)
            SelectNode(tv1->nodeCount() > 1 ? 2 : 1);
        if (LstV->count() > 0)
            SelectItem(1);
    }

    // After every outcome, a cancelled chooser included.
    EnableButton(5, tv1->nodeCount() >= 1);
    const bool open = m_db.DatabaseIsOpen;
    EnableButton(3, open);
    for (QAction *a : {mnuBackup, mnuNew1, mnuPws, mnuCompact})
        a->setEnabled(open);
}

void frmmain::mnuBackup_Click()
{
    if (!m_db.DatabaseIsOpen || refuseWhileBusy())
        return;
    const std::optional<QString> target = AskFileName(false, QStringLiteral("Backup"), kDatabaseFilter);
    if (!target)
        return;
    const QString source = m_db.DatabasePath;
    if (sameFile(*target, source)) {
        m_prompter.msgBox(this,
                          QStringLiteral("不能备份到正在使用的数据库文件本身：") + cmd::crlf() + native(source)
                              + cmd::crlf() + QStringLiteral("请选择其它文件名."),
                          Prompter::Exclamation, cmd::notice());
        return;
    }

    // Closed for the copy, so it sees every saved change; the copy goes to a temporary file
    // first, so a failure leaves an existing backup as it was.
    m_db.CloseDatabase();
    QString error;
    const int ok = runLongWork(QStringLiteral("正在备份数据库..."), [&] {
        return FileOps::BackupTo(source, *target, &error);
    });
    m_db.OpenDatabase();
    if (ok != 1) {
        m_prompter.msgBox(this,
                          QStringLiteral("备份数据库发生错误：无法写入 '") + native(*target) + QLatin1Char('\'')
                              + cmd::crlf() + error + cmd::crlf() + QStringLiteral("原数据库文件没有改变."),
                          Prompter::Exclamation, cmd::notice());
    }
    if (!m_db.DatabaseIsOpen)
        m_prompter.msgBox(this, kDamaged + cmd::crlf() + native(source), Prompter::Exclamation, cmd::notice());
}

void frmmain::mnuCompact_Click()
{
    if (!m_db.DatabaseIsOpen || refuseWhileBusy())
        return;
    const QString path = QFileInfo(m_db.DatabasePath).absoluteFilePath();
    const QString temp = QFileInfo(path).absoluteDir().filePath(QStringLiteral("tmp.mdb"));

    m_db.CloseDatabase();
    // The compacted file takes the place of the old one and keeps its permissions, writable.
    const QFileDevice::Permissions permissions = QFile::permissions(path);

    QString error;
    QString failedStep;
    const int ok = runLongWork(QStringLiteral("正在修复数据库..."), [&] {
        if (path == temp) {
            if (FileOps::CompactTo(path, path, &error) != 1) {
                failedStep = QStringLiteral("无法写入修复后的副本");
                return 0;
            }
            return 1;
        }
        // A "tmp.mdb" left over from an earlier run is simply replaced.
        if (FileOps::CompactTo(path, temp, &error) != 1) {
            failedStep = QStringLiteral("无法写入修复后的副本 '") + native(temp) + QLatin1Char('\'');
            return 0;
        }
        QFile::setPermissions(temp, permissions | QFileDevice::WriteOwner | QFileDevice::WriteUser);
        if (!renameOver(temp, path, &error)) {
            failedStep = QStringLiteral("无法用修复后的副本替换原文件");
            QFile::remove(temp);
            return 0;
        }
        return 1;
    });

    m_db.OpenDatabase();
    if (ok != 1) {
        m_prompter.msgBox(this,
                          QStringLiteral("修复数据库发生错误：") + failedStep + cmd::crlf() + error + cmd::crlf()
                              + QStringLiteral("原数据库文件没有改变."),
                          Prompter::Exclamation, cmd::notice());
    }
    if (!m_db.DatabaseIsOpen) {
        m_prompter.msgBox(this, kDamaged + cmd::crlf() + native(path), Prompter::Exclamation, cmd::notice());
        return;
    }
    if (ok == 1)
        m_prompter.msgBox(this, QStringLiteral("数据库已经修复"), Prompter::Information, cmd::notice());
}
