#include "ExchangeDialogs.h"

#include "ExportFolderDialog.h"

#include "exchange/FileImport.h"
#include "exchange/SafeFileName.h"

#include "base/Prompter.h"

#include <QApplication>
#include <QDialog>
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

const std::vector<FormatChoice> &exportFormats()
{
    static const std::vector<FormatChoice> formats = [] {
        const std::pair<Format, QString> names[] = {
            {Format::Html, QStringLiteral("网页")}, {Format::Markdown, QStringLiteral("Markdown")},
            {Format::Pdf, QStringLiteral("PDF")},   {Format::Text, QStringLiteral("纯文本")},
            {Format::Rtf, QStringLiteral("RTF")}};
        std::vector<FormatChoice> out;
        for (const auto &[format, name] : names)
            out.push_back({format, name + QStringLiteral("(*") + fileExtension(format) + QLatin1Char(')')});
        return out;
    }();
    return formats;
}

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The chooser's answer as a format and a file. A type picked in the chooser decides; left as
// offered, the name's own extension may name another. The file ends in its format's extension.
ExportTarget targetOf(const QString &name, const QString &selectedFilter, Format offered)
{
    const QFileInfo chosen(name);
    const std::optional<Format> named = formatNamed(chosen.suffix());
    Format format = named.value_or(offered);
    for (const FormatChoice &choice : exportFormats()) {
        if (choice.filter == selectedFilter && (choice.format != offered || !named))
            format = choice.format;
    }
    if (named == format)
        return {format, name};
    // "会议.html" with PDF picked is "会议.pdf"; "v1.2" is "v1.2.pdf".
    const QString base = named ? chosen.dir().filePath(chosen.completeBaseName()) : name;
    return {format, base + fileExtension(format)};
}

// The closing message: what was written, and what was left as it was.
QString exportSummary(const ExportResult &result, const QString &where)
{
    QString text = result.cancelled ? QStringLiteral("导出已取消。") : QString();
    const qsizetype written = result.written.size();
    if (written == 1 && result.kept.isEmpty())
        text += QStringLiteral("已导出到 %1。").arg(native(result.written.first()));
    else if (written > 0)
        text += QStringLiteral("已导出 %1 个文件到 %2。").arg(written).arg(native(where));
    else
        text += QStringLiteral("没有导出任何文件。");
    if (result.kept.size() == 1)
        text += QStringLiteral("%1 已存在，未替换。").arg(native(result.kept.first()));
    else if (result.kept.size() > 1)
        text += QStringLiteral("%1 个已存在的文件未替换。").arg(result.kept.size());
    return text;
}

} // namespace

QString exportFilter()
{
    QStringList filters;
    for (const FormatChoice &choice : exportFormats())
        filters << choice.filter;
    return filters.join(QStringLiteral(";;"));
}

QString importFilter()
{
    QStringList patterns;
    for (const QString &ext : importedExtensions())
        patterns << QStringLiteral("*.") + ext;
    return QStringLiteral("文本、RTF、网页和 Markdown(%1);;所有文件(*)").arg(patterns.join(QLatin1Char(' ')));
}

std::optional<ExportTarget> askExportTarget(QWidget *parent, Prompter &prompter, const ExportScope &scope,
                                            const QString &title, const QString &folder)
{
    if (scope.kind != ExportScope::Note) {
        ExportFolderDialog dialog(prompter, title, folder, parent);
        if (prompter.exec(&dialog) != QDialog::Accepted)
            return std::nullopt;
        return ExportTarget{dialog.format(), dialog.folder()};
    }
    const Format offered = Format::Html;
    QString selected = exportFormats().front().filter;
    const QString name = prompter.saveFileName(parent, QStringLiteral("导出"), exportFilter(),
                                               QDir(folder).filePath(safeFileName(title) + fileExtension(offered)),
                                               &selected);
    if (name.isEmpty())
        return std::nullopt;
    return targetOf(name, selected, offered);
}

void exportWithDialogs(QWidget *parent, Prompter &prompter, Notebook &db, const ExportScope &scope,
                       const ExportTarget &target)
{
    QProgressDialog progress(QStringLiteral("正在导出..."), QStringLiteral("取消"), 0, 1, parent);
    prepare(progress);
    ExportHooks hooks;
    hooks.progress = progressOf(progress);
    hooks.overwrite = [&](const QString &path) {
        // Asked over the progress dialog: shown later by its own timer, it would cover the
        // question and, being modal, take its clicks.
        progress.show();
        const int answer = prompter.msgBox(&progress, QStringLiteral("%1 已存在，要替换吗？").arg(native(path)),
                                           Prompter::QuestionDefaultNo, kTitle);
        return answer == Prompter::Yes ? Overwrite::Replace : Overwrite::Skip;
    };
    const ExportResult result = scope.kind == ExportScope::Note
        ? exportNoteTo(db, scope.id, target.format, target.path, hooks)
        : exportNotes(db, scope, target.format, target.path, hooks);
    progress.reset();
    const QString where = scope.kind == ExportScope::Note ? QFileInfo(target.path).absolutePath() : target.path;
    if (!result.ok)
        prompter.msgBox(parent, QStringLiteral("导出失败：%1\n%2").arg(result.error, exportSummary(result, where)),
                        Prompter::Exclamation, kTitle);
    else if (!result.cancelled || !result.written.isEmpty() || !result.kept.isEmpty())
        prompter.msgBox(parent, exportSummary(result, where),
                        result.written.isEmpty() ? Prompter::Exclamation : Prompter::Information, kTitle);
}

qint64 importWithDialogs(QWidget *parent, Prompter &prompter, Notebook &db, qint64 groupId, const QStringList &paths)
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
    return result.imported > 0 ? result.lastId : 0;
}

void printPreview(QWidget *parent, Prompter &prompter, Notebook &db, const ExportScope &scope)
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
