#include "cli/ExchangeCommands.h"

#include "exchange/Export.h"
#include "exchange/FileImport.h"
#include "search/NoteIndex.h"
#include "store/Notebook.h"

#include <QDir>

#include <cstdio>

namespace Cli {

namespace {

void printErrors(const QStringList &lines)
{
    if (!lines.isEmpty())
        std::fputs((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

} // namespace

bool needsFonts(const QStringList &arguments)
{
    const QString command = arguments.value(0);
    if (command == QLatin1String("import"))
        return true;
    if (command != QLatin1String("export"))
        return false;
    const QString format = arguments.value(arguments.indexOf(QStringLiteral("--format")) + 1);
    return format != QLatin1String("txt") && format != QLatin1String("rtf");
}

int exportNotes(const Args &args)
{
    const std::optional<exchange::Format> format = exchange::formatNamed(args.value(QStringLiteral("format")));
    if (!format)
        return usage(QStringLiteral("--format 只能是 html、md、pdf、txt 或 rtf"));
    const QString out = args.value(QStringLiteral("out"));
    if (out.isEmpty())
        return usage(QStringLiteral("缺少 --out DIR"));
    const bool note = args.values.contains(QStringLiteral("note"));
    const bool group = args.values.contains(QStringLiteral("group"));
    if (note && group)
        return usage(QStringLiteral("--note 与 --group 只能给出一个"));
    exchange::ExportScope scope;
    if (note || group) {
        const QString option = note ? QStringLiteral("note") : QStringLiteral("group");
        if (!number(args.value(option), QStringLiteral("--") + option, &scope.id))
            return Usage;
        scope.kind = note ? exchange::ExportScope::Note : exchange::ExportScope::Group;
    }
    Notebook db;
    if (const int status = open(db, args.positional[0], args))
        return status;
    exchange::ExportHooks hooks;
    // No one to ask: existing files are kept and named, unless --replace says otherwise.
    if (args.flag(QStringLiteral("replace")))
        hooks.overwrite = [](const QString &) { return exchange::Overwrite::Replace; };
    const exchange::ExportResult r = exchange::exportNotes(db, scope, *format, out, hooks);
    if (!r.ok)
        return fail(r.error);
    QString written;
    for (const QString &file : r.written)
        written += QDir::toNativeSeparators(file) + QLatin1Char('\n');
    print(written);
    QStringList kept;
    for (const QString &file : r.kept)
        kept << QStringLiteral("quillbook-cli: 已存在，未覆盖：%1").arg(QDir::toNativeSeparators(file));
    printErrors(kept);
    return kept.isEmpty() ? Ok : Failed;
}

int importFiles(const Args &args)
{
    qint64 group = 0;
    if (!number(args.positional[1], QStringLiteral("GROUP-ID"), &group))
        return Usage;
    Notebook db;
    // The new notes are searchable at once, as when the window imports them.
    NoteIndex::attach(db);
    if (const int status = openForWriting(db, args.positional[0], args))
        return status;
    const exchange::ImportResult r = exchange::importFiles(db, group, args.positional.mid(2));
    if (!r.ok)
        return fail(r.error);
    print(QStringLiteral("已导入 %1 个文件\n").arg(r.imported));
    QStringList failed;
    for (const QString &line : r.failed)
        failed << QStringLiteral("quillbook-cli: 未导入 ") + line;
    for (const QString &line : r.skipped)
        failed << QStringLiteral("quillbook-cli: ") + line;
    printErrors(failed);
    return r.failed.isEmpty() ? Ok : Failed;
}

} // namespace Cli
