#include "legacy/LegacyImport.h"

#include "legacy/JetReader.h"
#include "store/DBase.h"
#include "store/Import.h"

#include <QDir>
#include <QFileInfo>

QString conversionTargetFor(const QString &jetPath)
{
    const QFileInfo info(jetPath);
    const QDir dir = info.absoluteDir();
    const QString base = info.completeBaseName();
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? QStringLiteral("%1-quillbook.qbf").arg(base)
                                    : QStringLiteral("%1-quillbook-%2.qbf").arg(base).arg(n);
        const QString candidate = dir.filePath(name);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

ConversionResult convertLegacyNotebook(const QString &jetPath,
                                       const std::function<void(qint64, qint64)> &progress)
{
    ConversionResult result;
    const qint64 total = QFileInfo(jetPath).size();
    const JetReadResult read = runJetReader(jetPath, {}, [&](qint64 bytes) {
        if (progress)
            progress(bytes, total);
    });
    if (read.status != JetReadResult::Ok) {
        result.message = read.message;
        return result;
    }
    LegacyNotebook book;
    QString why;
    if (!toLegacyNotebook(read.tables, book, &why)) {
        result.message = QStringLiteral("这不是旧版记事本文件。");
        return result;
    }

    ImportRows rows;
    if (book.password) {
        // The old file kept the password readable; ours keeps only its hash.
        const QString stored = DBase::HashPassword(*book.password);
        if (!book.password->isEmpty() && stored.isEmpty()) {
            result.message = QStringLiteral("无法转换记事本的访问密码。");
            return result;
        }
        rows.admin.push_back(stored);
    }
    rows.groups = std::move(book.groups);
    rows.notes = std::move(book.notes);

    const QString target = conversionTargetFor(jetPath);
    if (!ImportNotebook(target, rows, &why)) {
        result.message = QStringLiteral("无法写入新的记事本文件 %1：%2").arg(QDir::toNativeSeparators(target), why);
        return result;
    }
    if (progress)
        progress(total, total);
    result.ok = true;
    result.newPath = target;
    return result;
}
