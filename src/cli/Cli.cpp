#include "cli/Cli.h"

#include "cli/Terminal.h"
#include "store/Notebook.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace Cli {

namespace {

const Command *find(const QString &name)
{
    for (const Command &c : commands()) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

QString synopsis(const Command &c)
{
    return QStringLiteral("quillbook-cli %1 %2").arg(QLatin1String(c.name), QString::fromUtf8(c.arguments));
}

void printOverview()
{
    QString text = QStringLiteral("用法：quillbook-cli 命令 参数...\n\n命令：\n");
    for (const Command &c : commands())
        text += QStringLiteral("  %1\n").arg(synopsis(c));
    text += QStringLiteral("\n每个命令的说明：quillbook-cli 命令 --help\n");
    print(text);
}

// Splits args after the command name into positional arguments and the command's options.
int parse(const Command &c, const QStringList &in, Args *out)
{
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QString &a = in[i];
        if (a == QLatin1String("--")) {
            out->positional += in.mid(i + 1);
            break;
        }
        if (!a.startsWith(QLatin1String("--")) || a.size() == 2) {
            out->positional << a;
            continue;
        }
        const QString name = a.mid(2);
        if (c.valueOptions.contains(name)) {
            if (i + 1 >= in.size())
                return usage(QStringLiteral("%1 缺少值").arg(a));
            out->values.insert(name, in[++i]);
        } else if (c.flagOptions.contains(name)) {
            out->flags << name;
        } else {
            return usage(QStringLiteral("未知选项 %1").arg(a));
        }
    }
    const int n = int(out->positional.size());
    if (n < c.minPositional || (c.maxPositional >= 0 && n > c.maxPositional))
        return usage(QStringLiteral("参数不对；用法：%1").arg(synopsis(c)));
    return Ok;
}

} // namespace

void print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

int fail(const QString &why)
{
    std::fprintf(stderr, "quillbook-cli: %s\n", why.toUtf8().constData());
    return Failed;
}

int usage(const QString &why)
{
    fail(why);
    return Usage;
}

bool number(const QString &text, const QString &what, qint64 *out)
{
    bool ok = false;
    *out = text.toLongLong(&ok);
    if (!ok) {
        usage(QStringLiteral("%1 不是数字：%2").arg(what, text));
        return false;
    }
    return true;
}

bool readPassword(const Args &args, const QString &prompt, QString *out)
{
    return args.flag(QStringLiteral("password-stdin")) ? Terminal::readLine(out) : Terminal::readHidden(prompt, out);
}

int open(Notebook &db, const QString &path, const Args &args)
{
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("文件不存在：%1").arg(path));
    if (info.isDir())
        return fail(QStringLiteral("%1 是文件夹，不是数据库文件").arg(path));
    if (!info.isFile())
        return fail(QStringLiteral("%1 不是数据库文件").arg(path));
    const Notebook::Protection protection = Notebook::protectionOf(path);
    if (protection == Notebook::Protection::Damaged)
        return fail(QStringLiteral("无法打开数据库 %1：加密文件头已损坏").arg(path));
    QString typed;
    const auto ask = [&] {
        return readPassword(args, QStringLiteral("访问密码："), &typed)
            ? Ok
            : fail(QStringLiteral("数据库有访问密码；没有终端时请用 --password-stdin"));
    };
    // An encrypted notebook is read only with its key: the password comes first.
    if (protection == Notebook::Protection::Encrypted) {
        if (const int status = ask())
            return status;
        const bool unlocked = db.unlock(path, typed);
        typed.fill(QLatin1Char('\0'));
        if (!unlocked)
            return fail(QStringLiteral("密码错误"));
    }
    if (!db.open(path))
        return fail(QStringLiteral("无法打开数据库 %1：%2").arg(path, db.lastError()));
    if (db.encrypted()) {
        // Said and gone on: a script has no one to ask.
        if (db.olderThanLastSeen())
            std::fprintf(stderr, "quillbook-cli: %s\n", Notebook::OlderCopy.toUtf8().constData());
        return Ok;
    }
    const QString stored = db.readPassword();
    if (!db.lastError().isEmpty())
        return fail(QStringLiteral("无法读取 %1：%2").arg(path, db.lastError()));
    if (stored.isEmpty())
        return Ok;
    if (const int status = ask())
        return status;
    const bool matches = Notebook::passwordMatches(typed, stored);
    typed.fill(QLatin1Char('\0'));
    if (!matches) {
        db.close();
        return fail(QStringLiteral("密码错误"));
    }
    return Ok;
}

int openForWriting(Notebook &db, const QString &path, const Args &args)
{
    if (const int status = open(db, path, args))
        return status;
    switch (db.checkIntegrity()) {
    case Notebook::Integrity::Intact:
        return Ok;
    case Notebook::Integrity::Damaged:
        return fail(QStringLiteral("数据库 %1 已损坏，没有写入。请从自动备份恢复。").arg(path));
    case Notebook::Integrity::Unchecked:
        break;
    }
    return fail(QStringLiteral("无法检查数据库 %1，没有写入：%2").arg(path, db.lastError()));
}

int run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usage(QStringLiteral("缺少命令；见 quillbook-cli --help"));
    const QString &first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        printOverview();
        return Ok;
    }
    if (first == QLatin1String("--version")) {
        print(QStringLiteral("quillbook-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return Ok;
    }
    const Command *c = find(first);
    if (!c)
        return usage(QStringLiteral("未知命令 %1；见 quillbook-cli --help").arg(first));
    const QStringList rest = arguments.mid(1);
    if (rest.contains(QStringLiteral("--help")) || rest.contains(QStringLiteral("-h"))) {
        print(QStringLiteral("用法：%1\n\n%2\n").arg(synopsis(*c), QString::fromUtf8(c->help)));
        return Ok;
    }
    Args args;
    if (const int status = parse(*c, rest, &args))
        return status;
    return c->run(args);
}

} // namespace Cli
