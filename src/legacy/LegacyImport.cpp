#include "legacy/LegacyImport.h"

#include "legacy/JetReader.h"
#include "store/Import.h"
#include "store/Notebook.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

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

QString describeDamage(const LegacyDamage &damage)
{
    // A file can be damaged everywhere; the message box must stay readable.
    constexpr int kNamed = 12;
    QStringList lines;
    qint64 unnamed = 0;
    auto name = [&lines, &unnamed](const char *kind, const LegacyDamage::Row &row) {
        if (lines.size() >= kNamed) {
            ++unnamed;
            return;
        }
        const QString what = row.name && !row.name->isEmpty()
                                 ? QStringLiteral("%1 %2“%3”").arg(QString::fromUtf8(kind)).arg(row.ID).arg(*row.name)
                                 : QStringLiteral("%1 %2").arg(QString::fromUtf8(kind)).arg(row.ID);
        lines << QStringLiteral("%1的内容不完整").arg(what);
    };
    for (const auto &row : damage.partialGroups)
        name("分组", row);
    for (const auto &row : damage.partialNotes)
        name("记事", row);
    if (unnamed > 0)
        lines << QStringLiteral("另有 %1 项内容不完整").arg(unnamed);
    if (damage.lostGroups > 0)
        lines << QStringLiteral("%1 个分组无法读取").arg(damage.lostGroups);
    else if (damage.someGroupsLost)
        lines << QStringLiteral("有些分组无法读取");
    if (damage.lostNotes > 0)
        lines << QStringLiteral("%1 条记事无法读取").arg(damage.lostNotes);
    else if (damage.someNotesLost)
        lines << QStringLiteral("有些记事无法读取");
    return lines.join(u'\n');
}

ConversionResult convertLegacyNotebook(const QString &jetPath,
                                       const std::function<void(qint64, qint64)> &progress,
                                       const std::function<bool(const LegacyDamage &)> &keepPartial)
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
        const bool damaged = std::any_of(read.tables.cbegin(), read.tables.cend(),
                                         [](const JetTable &t) { return !t.whole(); });
        result.message = damaged ? QStringLiteral("旧版数据库文件已损坏，无法读取。")
                                 : QStringLiteral("这不是旧版数据库文件。");
        return result;
    }
    if (book.damage.any() && !(keepPartial && keepPartial(book.damage))) {
        result.declined = true;
        result.message = QStringLiteral("旧版数据库文件已损坏，没有转换。");
        return result;
    }
    result.damage = book.damage;

    ImportRows rows;
    if (book.password) {
        // The old file kept the password readable; ours keeps only its hash.
        const QString stored = Notebook::hashPassword(*book.password);
        if (!book.password->isEmpty() && stored.isEmpty()) {
            result.message = QStringLiteral("无法转换数据库的访问密码。");
            return result;
        }
        rows.admin.push_back(stored);
    }
    rows.groups = std::move(book.groups);
    rows.notes = std::move(book.notes);

    const QString target = conversionTargetFor(jetPath);
    if (!ImportNotebook(target, rows, &why)) {
        result.message = QStringLiteral("无法写入新的数据库文件 %1：%2").arg(QDir::toNativeSeparators(target), why);
        return result;
    }
    if (progress)
        progress(total, total);
    result.ok = true;
    result.newPath = target;
    return result;
}
