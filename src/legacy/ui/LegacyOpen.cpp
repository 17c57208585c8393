#include "legacy/ui/LegacyOpen.h"

#include "base/Logging.h"
#include "base/Prompter.h"
#include "legacy/JetReader.h"
#include "legacy/LegacyImport.h"

#include <QApplication>
#include <QDir>
#include <QProgressDialog>

namespace {
const QString kTitle = QStringLiteral("提示");
}

LegacyOpenResult offerLegacyConversion(QWidget *parent, Prompter &prompter, const QString &path)
{
    LegacyOpenResult result;
    if (!isLegacyNotebook(path))
        return result;

    const QString native = QDir::toNativeSeparators(path);
    const int answer = prompter.msgBox(
        parent,
        QStringLiteral("“%1”是旧版的数据库文件。\n是否把它转换为新的数据库文件？原文件保持不变。").arg(native),
        Prompter::Question, kTitle);
    if (answer != Prompter::Yes) {
        result.outcome = LegacyOpenResult::Declined;
        return result;
    }

    // Appears only when the conversion takes longer than half a second.
    QProgressDialog progress(QStringLiteral("正在转换旧版数据库文件..."), QString(), 0, 100, parent);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setCancelButton(nullptr);
    const auto onProgress = [&](qint64 done, qint64 total) {
        // The reader's output grows a little beyond the file's size; keep the bar short of the end.
        const int percent = total > 0 ? int(qMin<qint64>(99, done * 100 / (total * 2))) : 0;
        progress.setValue(percent);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    // A damaged file: the user hears what is missing and decides whether a partial notebook is
    // better than none.
    const auto keepPartial = [&](const LegacyDamage &damage) {
        progress.hide();
        return prompter.msgBox(parent,
                               QStringLiteral("“%1”已损坏，有些内容读不出来：\n%2\n\n原文件保持不变。"
                                              "是否仍然转换，保留能读出的内容？")
                                   .arg(native, describeDamage(damage)),
                               Prompter::Question, kTitle)
               == Prompter::Yes;
    };
    const ConversionResult converted = convertLegacyNotebook(path, onProgress, keepPartial);
    progress.setValue(100);

    if (converted.declined) {
        result.outcome = LegacyOpenResult::Declined;
        return result;
    }
    if (!converted.ok) {
        qCWarning(lcLegacy) << "cannot convert" << native << converted.message;
        prompter.msgBox(parent, QStringLiteral("无法转换“%1”。\n%2").arg(native, converted.message),
                        Prompter::Exclamation, kTitle);
        result.outcome = LegacyOpenResult::Failed;
        return result;
    }
    const QString done = converted.damage.any() ? QStringLiteral("已转换为新的数据库文件（内容不完整）：\n%1")
                                                : QStringLiteral("已转换为新的数据库文件：\n%1");
    prompter.msgBox(parent, done.arg(QDir::toNativeSeparators(converted.newPath)), Prompter::Information, kTitle);
    result.outcome = LegacyOpenResult::Converted;
    result.newPath = converted.newPath;
    return result;
}
