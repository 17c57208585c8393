#include "ExchangeDialogs.h"

#include "exchange/FileImport.h"

#include "app/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace exchange {

namespace {

const QString kTitle = QStringLiteral("提示");

// A progress callback driving dialog; false once the user pressed 取消.
std::function<bool(qint64, qint64)> progressOf(QProgressDialog &dialog)
{
    return [&dialog](qint64 done, qint64 total) {
        dialog.setMaximum(int(qMax<qint64>(total, 1)));
        dialog.setValue(int(done));
        QApplication::processEvents();
        return !dialog.wasCanceled();
    };
}

} // namespace

QString exportFilter()
{
    return QStringLiteral("网页(*.html);;Markdown(*.md);;PDF(*.pdf);;纯文本(*.txt);;RTF(*.rtf)");
}

bool exportWithDialogs(QWidget *parent, Prompter &prompter, DBase &db, const ExportScope &scope,
                       const QString &target)
{
    const QFileInfo chosen(target);
    const std::optional<Format> format = formatNamed(chosen.suffix());
    if (!format) {
        prompter.msgBox(parent, QStringLiteral("请选择导出的格式。"), Prompter::Exclamation, kTitle);
        return false;
    }
    QProgressDialog progress(QStringLiteral("正在导出..."), QStringLiteral("取消"), 0, 1, parent);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    ExportHooks hooks;
    hooks.progress = progressOf(progress);
    hooks.overwrite = [&](const QString &path) {
        const int answer = prompter.msgBox(
            parent, QStringLiteral("%1 已存在，要替换吗？").arg(QDir::toNativeSeparators(path)), Prompter::Question, kTitle);
        return answer == Prompter::Yes ? Overwrite::Replace : Overwrite::Skip;
    };
    const QString folder = chosen.dir().filePath(chosen.completeBaseName());
    const ExportResult result = exportNotes(db, scope, *format, folder, hooks);
    progress.reset();
    if (!result.ok) {
        prompter.msgBox(parent, QStringLiteral("导出失败：%1").arg(result.error), Prompter::Exclamation, kTitle);
        return false;
    }
    return !result.cancelled;
}

int importWithDialogs(QWidget *parent, Prompter &prompter, DBase &db, qint64 groupId, const QStringList &paths)
{
    QProgressDialog progress(QStringLiteral("正在导入..."), QStringLiteral("取消"), 0, 1, parent);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const ImportResult result = importFiles(db, groupId, paths, progressOf(progress));
    progress.reset();
    if (!result.ok && !result.cancelled)
        prompter.msgBox(parent, QStringLiteral("导入失败：%1").arg(result.error), Prompter::Exclamation, kTitle);
    else if (!result.failed.isEmpty())
        prompter.msgBox(parent, failureSummary(result), Prompter::Exclamation, kTitle);
    return result.imported;
}

void printPreview(QWidget *parent, Prompter &prompter, DBase &db, const ExportScope &scope)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    QString error;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&](QPrinter *target) { printNotes(db, scope, target, &error); });
    prompter.exec(&preview);
    if (!error.isEmpty())
        prompter.msgBox(parent, QStringLiteral("打印失败：%1").arg(error), Prompter::Exclamation, kTitle);
}

} // namespace exchange
