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

// Shown over the window, which takes no input meanwhile, once the work has taken half a second.
void prepare(QProgressDialog &dialog)
{
    dialog.setWindowTitle(kTitle);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(500);
}

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

QString importFilter()
{
    QStringList patterns;
    for (const QString &ext : importedExtensions())
        patterns << QStringLiteral("*.") + ext;
    return QStringLiteral("文本、RTF、网页和 Markdown(%1);;所有文件(*)").arg(patterns.join(QLatin1Char(' ')));
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
    prepare(progress);
    ExportHooks hooks;
    hooks.progress = progressOf(progress);
    hooks.overwrite = [&](const QString &path) {
        // Asked over the progress dialog: shown later by its own timer, it would cover the
        // question and, being modal, take its clicks.
        progress.show();
        const int answer = prompter.msgBox(&progress,
                                           QStringLiteral("%1 已存在，要替换吗？").arg(QDir::toNativeSeparators(path)),
                                           Prompter::QuestionDefaultNo, kTitle);
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
    prepare(progress);
    const ImportResult result = importFiles(db, groupId, paths, progressOf(progress));
    progress.reset();
    if (!result.ok && !result.cancelled)
        prompter.msgBox(parent, QStringLiteral("导入失败：%1").arg(result.error), Prompter::Exclamation, kTitle);
    else if (result.ok)
        prompter.msgBox(parent, importSummary(result),
                        result.failed.isEmpty() && result.skipped.isEmpty() ? Prompter::Information
                                                                            : Prompter::Exclamation,
                        kTitle);
    return result.imported;
}

void printPreview(QWidget *parent, Prompter &prompter, DBase &db, const ExportScope &scope)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    QString error;
    // A group of many notes takes a while to lay out; the preview asks again after each change
    // of the page setup.
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *target) {
        QProgressDialog progress(QStringLiteral("正在准备打印..."), QStringLiteral("取消"), 0, 1, &preview);
        prepare(progress);
        printNotes(db, scope, target, &error, progressOf(progress));
    });
    prompter.exec(&preview);
    if (!error.isEmpty())
        prompter.msgBox(parent, QStringLiteral("打印失败：%1").arg(error), Prompter::Exclamation, kTitle);
}

} // namespace exchange
