// Damage that opening does not read (a page deep in the file) is looked for after every open, on
// a worker with a connection of its own, so the window goes on meanwhile. The same worker then
// drops history past the notebook's limits: the one place where that happens.
#include "mainwindow/frmmain.h"

#include "base/Logging.h"
#include "base/Prompter.h"
#include "dialogs/KeepSettings.h"
#include "mainwindow/CommandSupport.h"
#include "mainwindow/NotebookWorker.h"
#include "store/DBase.h"

#include <memory>

namespace {

const QString kRefused = QStringLiteral("数据库文件已损坏，不能写入。");

struct CheckResult
{
    DBase::Integrity integrity = DBase::Integrity::Unchecked;
    QString findings;
};

} // namespace

void frmmain::startIntegrityCheck()
{
    delete m_integrityCheck;
    m_integrityCheck = nullptr;
    if (!m_db.DatabaseIsOpen)
        return;
    auto result = std::make_shared<CheckResult>();
    // A notebook that has no limits of its own yet takes the user's.
    const KeepLimits wish = Tools::KeepLimitsOf(m_settings);
    const auto work = [result, wish](DBase &db, NotebookWorker &worker) {
        if (!db.DatabaseIsOpen) {
            result->findings = db.lastError();
            return;
        }
        result->integrity = db.CheckIntegrity(worker.cancelled());
        result->findings = db.lastError();
        if (result->integrity != DBase::Integrity::Intact || db.ReadOnly() || *worker.cancelled())
            return;
        if (!db.keepLimits() && !db.SetKeepLimits(wish))
            qCInfo(lcStore) << "the notebook did not take the keep limits:" << db.lastError();
        if (!db.PruneHistory())
            qCInfo(lcStore) << "history was not pruned:" << db.lastError();
    };
    const auto done = [this, result] {
        m_integrityCheck->deleteLater();
        m_integrityCheck = nullptr;
        if (result->integrity == DBase::Integrity::Damaged)
            damageFound(result->findings);
        else if (result->integrity == DBase::Integrity::Unchecked)
            qCInfo(lcStore) << "the notebook was not checked for damage:" << result->findings;
    };
    m_integrityCheck = new NotebookWorker(m_db.DatabasePath, {}, work, done, this);
}

void frmmain::damageFound(const QString &findings)
{
    qCWarning(lcStore) << "damage found in" << m_db.DatabasePath << findings;
    // Nothing more goes into the damaged file, the index's build included, until a copy takes
    // its place; what it holds can still be read and exported.
    m_db.RefuseWrites(kRefused);
    stopIndexWork(); // a build running now has a store of its own
    const int answer = m_prompter.msgBox(this,
                                         QStringLiteral("数据库文件已损坏，不再写入；记事仍可查看和导出。")
                                             + cmd::crlf() + QStringLiteral("要从自动备份恢复吗？"),
                                         Prompter::Question, cmd::notice());
    if (answer == Prompter::Yes)
        run(Cmd::RestoreFromBackup);
}
