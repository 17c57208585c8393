// The commands of quillbook-cli: one row each in the table at the end.

#include "cli/Cli.h"
#include "cli/ExchangeCommands.h"

#include "rtf/Rtf.h"
#include "search/NoteIndex.h"
#include "search/NoteSearch.h"
#include "search/NoteText.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "util/TrimBlanks.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace Cli {

namespace {

const QStringList PasswordOption = {QStringLiteral("password-stdin")};
constexpr int MaxGroupNameChars = 50; // as the notebook's schema allows

class GroupRows : public GroupSink
{
public:
    std::vector<std::pair<qint64, QString>> rows;
    void clear() override { rows.clear(); }
    void addNode(const QString &parentKey, const QString &key, const QString &text, int, int) override
    {
        if (!parentKey.isEmpty())
            rows.emplace_back(key.mid(1).toLongLong(), text);
    }
};

class NoteRows : public NoteSink
{
public:
    std::vector<NoteItem> items;
    void clear() override { items.clear(); }
    void addItem(const NoteItem &item) override { items.push_back(item); }
};

QString noteLine(const QString &key, const QString &group, const QString &title)
{
    return QStringLiteral("%1\t%2\t%3\n").arg(key.mid(1), group, title);
}

int create(const Args &args)
{
    const QString &path = args.positional[0];
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return fail(QStringLiteral("%1 已存在，没有覆盖").arg(path));
    if (!info.absoluteDir().exists())
        return fail(QStringLiteral("文件夹不存在：%1").arg(info.absolutePath()));
    Notebook db;
    if (!db.create(path))
        return fail(QStringLiteral("无法新建数据库 %1：%2").arg(path, db.lastError()));
    return Ok;
}

// Groups are named as in the window: blanks at the ends dropped, 1 to 50 characters, no two
// alike ignoring case.
int addGroup(const Args &args)
{
    const QString name = Tools::TrimBlanks(args.positional[1]);
    if (name.isEmpty())
        return usage(QStringLiteral("组名不能为空"));
    if (name.toUcs4().size() > MaxGroupNameChars)
        return usage(QStringLiteral("组名最多 %1 个字").arg(MaxGroupNameChars));
    Notebook db;
    if (const int status = openForWriting(db, args.positional[0], args))
        return status;
    GroupRows groups;
    Groups(db).load(groups);
    if (!db.lastError().isEmpty())
        return fail(db.lastError());
    for (const auto &row : groups.rows) {
        if (row.second.toLower() == name.toLower())
            return fail(QStringLiteral("该组 '%1' 已经存在，请尝试其它名字").arg(name));
    }
    const std::optional<qint64> id = Groups(db).add(name);
    if (!id)
        return fail(QStringLiteral("无法添加组 '%1'：%2").arg(name, db.lastError()));
    print(QStringLiteral("%1\n").arg(*id));
    return Ok;
}

int groups(const Args &args)
{
    Notebook db;
    if (const int status = open(db, args.positional[0], args))
        return status;
    GroupRows g;
    Groups(db).load(g);
    if (!db.lastError().isEmpty())
        return fail(db.lastError());
    QString out;
    for (const auto &[id, name] : g.rows)
        out += QStringLiteral("%1\t%2\n").arg(id).arg(name);
    print(out);
    return Ok;
}

int list(const Args &args)
{
    qint64 group = -1;
    if (args.positional.size() > 1 && !number(args.positional[1], QStringLiteral("GROUP-ID"), &group))
        return Usage;
    Notebook db;
    if (const int status = open(db, args.positional[0], args))
        return status;
    GroupRows groups;
    Groups(db).load(groups);
    bool known = group == -1;
    for (const auto &row : groups.rows)
        known = known || row.first == group;
    if (!known)
        return fail(QStringLiteral("没有 ID 为 %1 的组").arg(group));
    QString out;
    // Listed group by group, in the tree's order, so each line can carry its group's name.
    for (const auto &[id, name] : groups.rows) {
        if (group != -1 && id != group)
            continue;
        NoteRows notes;
        Notes(db).list(notes, id);
        if (!db.lastError().isEmpty())
            return fail(db.lastError());
        for (const NoteItem &n : notes.items)
            out += noteLine(n.key, name, n.title);
    }
    print(out);
    return Ok;
}

int show(const Args &args)
{
    const QString format = args.value(QStringLiteral("format"), QStringLiteral("text"));
    if (format != QLatin1String("text") && format != QLatin1String("rtf") && format != QLatin1String("html"))
        return usage(QStringLiteral("--format 只能是 text、rtf 或 html"));
    qint64 id = 0;
    if (!number(args.positional[1], QStringLiteral("NOTE-ID"), &id))
        return Usage;
    Notebook db;
    if (const int status = open(db, args.positional[0], args))
        return status;
    NoteRows all;
    Notes(db).list(all, -1);
    const QString key = QStringLiteral("k%1").arg(id);
    bool exists = false;
    for (const NoteItem &n : all.items)
        exists = exists || n.key == key;
    if (!exists)
        return fail(QStringLiteral("没有 ID 为 %1 的记事").arg(id));
    const QString body = Notes(db).body(id);
    if (!db.lastError().isEmpty())
        return fail(db.lastError());
    if (format == QLatin1String("rtf")) {
        print(body);
    } else if (format == QLatin1String("html")) {
        QTextDocument doc;
        rtf::readInto(body, &doc);
        print(doc.toHtml());
    } else {
        print(NoteText::visibleText(body) + QLatin1Char('\n'));
    }
    return Ok;
}

int search(const Args &args)
{
    SearchOptions options;
    options.limit = 0;
    options.traditionalSimplified = args.flag(QStringLiteral("variants"));
    if (args.values.contains(QStringLiteral("group"))
        && !number(args.value(QStringLiteral("group")), QStringLiteral("--group"), &options.groupId))
        return Usage;
    if (args.values.contains(QStringLiteral("limit"))) {
        qint64 limit = 0;
        if (!number(args.value(QStringLiteral("limit")), QStringLiteral("--limit"), &limit))
            return Usage;
        if (limit < 1)
            return usage(QStringLiteral("--limit 须大于 0"));
        options.limit = int(qMin<qint64>(limit, 1 << 30));
    }
    Notebook db;
    NoteIndex::attach(db);
    if (const int status = open(db, args.positional[0], args))
        return status;
    // A notebook from before the index is indexed once, with progress when someone watches.
    if (NoteSearch(db).unindexed() > 0) {
        const bool tty = ::isatty(STDERR_FILENO) == 1;
        const bool ok = NoteSearch(db).buildIndex([tty](qint64 done, qint64 total) {
            if (tty)
                std::fprintf(stderr, "\r正在建立索引 %lld/%lld", qlonglong(done), qlonglong(total));
        });
        if (tty)
            std::fputc('\n', stderr);
        if (!ok)
            return fail(QStringLiteral("无法建立索引：%1").arg(db.lastError()));
    }
    const std::optional<SearchResult> result
        = NoteSearch(db).find(args.positional.mid(1).join(QLatin1Char(' ')), options);
    if (!result)
        return fail(QStringLiteral("搜索失败：%1").arg(db.lastError()));
    QString out;
    for (const SearchHit &hit : result->hits)
        out += noteLine(hit.item.key, hit.groupName, hit.item.title);
    print(out);
    return Ok;
}

// Sets, changes or removes the access password with the change dialog's rules: the old password
// first when one is set (open asks for it), then the new one twice; an empty one removes it.
int password(const Args &args)
{
    Notebook db;
    if (const int status = openForWriting(db, args.positional[0], args))
        return status;
    QString first;
    QString second;
    const bool got = readPassword(args, QStringLiteral("新密码："), &first)
        && readPassword(args, QStringLiteral("再输入一次新密码："), &second);
    const bool same = first == second;
    second.fill(QLatin1Char('\0'));
    if (!got)
        return fail(QStringLiteral("没有读到新密码；没有终端时请用 --password-stdin"));
    if (!same)
        return fail(QStringLiteral("密码不匹配"));
    // The password prompt trims blanks at both ends, so such a password could never be typed back.
    if (Tools::TrimBlanks(first) != first)
        return fail(QStringLiteral("密码的开头和结尾不能是空格"));
    const int written = db.writePassword(first);
    first.fill(QLatin1Char('\0'));
    if (written != 1)
        return fail(QStringLiteral("无法修改密码：%1").arg(db.lastError()));
    return Ok;
}

} // namespace

const std::vector<Command> &commands()
{
    static const std::vector<Command> table = {
        {"create", "PATH", "新建一个空数据库；已有的文件不会被覆盖。", 1, 1, {}, {}, create},
        {"groups", "PATH [--password-stdin]", "列出各组：ID、制表符、组名，每行一组。", 1, 1, {},
         PasswordOption, groups},
        {"add-group", "PATH NAME [--password-stdin]",
         "新建名为 NAME 的组，输出它的 ID。组名去掉两端的空格后为 1 至 50 个字，不能与已有的组同名（不分大小写）。\n"
         "写入前检查整个数据库：已损坏时不写入，退出码为 1。",
         2, 2, {}, PasswordOption, addGroup},
        {"list", "PATH [GROUP-ID] [--password-stdin]",
         "列出记事（给出 GROUP-ID 时只列该组）：ID、制表符、组名、制表符、标题，每行一条。", 1, 2, {},
         PasswordOption, list},
        {"show", "PATH NOTE-ID [--format text|rtf|html] [--password-stdin]",
         "输出记事正文：text 为预览所见的文字（默认），rtf 为保存的原文，html 为转换后的网页。", 2, 2,
         {QStringLiteral("format")}, PasswordOption, show},
        {"search", "PATH QUERY... [--group GROUP-ID] [--limit N] [--variants] [--password-stdin]",
         "搜索记事，按相关度输出，格式同 list。空格分隔的词都须出现；双引号内的空格保留。\n"
         "英文字母不分大小写，全角与半角相同；--variants 时繁体字与简体字互相找到。\n"
         "没有结果时不输出，退出码为 0。",
         2, -1, {QStringLiteral("group"), QStringLiteral("limit")},
         {QStringLiteral("variants"), QStringLiteral("password-stdin")}, search},
        {"password", "PATH [--password-stdin]",
         "设置、修改或取消访问密码：先输入旧密码（有的话），再输入两次新密码；新密码为空则取消密码。\n"
         "有密码的数据库在磁盘上是加密的。--password-stdin 时每行一个。已损坏的数据库不改写，退出码为 1。",
         1, 1, {}, PasswordOption, password},
        {"export", "PATH --format html|md|pdf|txt|rtf [--note ID | --group ID] --out DIR [--replace] [--password-stdin]",
         "导出记事到文件夹 DIR（没有时新建）：给出 --note 时一条记事，--group 时一个组，否则整个数据库。\n"
         "html 与 md 每条记事一个文件，图片放在旁边的“标题_files”中；pdf 为一个文件，每条记事从新的一页开始；\n"
         "txt 为 UTF-8 文本；rtf 为保存的原文。组和整个数据库按组分文件夹。文件名取自标题。\n"
         "输出写入的文件，每行一个。已有的文件不覆盖（退出码为 1），除非给出 --replace。",
         1, 1, {QStringLiteral("format"), QStringLiteral("note"), QStringLiteral("group"), QStringLiteral("out")},
         {QStringLiteral("replace"), QStringLiteral("password-stdin")}, exportNotes},
        {"import", "PATH GROUP-ID FILE... [--password-stdin]",
         "把文件作为新记事导入组 GROUP-ID：文本（UTF-8、带 BOM 的 UTF-16，否则 GB18030）、RTF、HTML 和\n"
         "Markdown；给出文件夹时导入其中（含子文件夹）这些扩展名的文件。标题取自文件名，日期取自文件时间。\n"
         "全部在一个事务中写入。读不了的文件写在标准错误上，其余照样导入，退出码为 1。",
         3, -1, {}, PasswordOption, importFiles},
    };
    return table;
}

} // namespace Cli
