// quillbook-cli as a whole process: every command's output, its exit status and the password paths.

#include "CryptoTestUtil.h"

#include "search/ChineseVariants.h"
#include "search/NoteIndex.h"
#include "store/Groups.h"
#include "store/KeptNotes.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void commands_data();
    void commands();
    void password_data();
    void password();
    void exportFiles_data();
    void exportFiles();
    void importFiles_data();
    void importFiles();
    void damagedNotebookIsNotWritten_data();
    void damagedNotebookIsNotWritten();
    void historyOutlivesOtherOpeners_data();
    void historyOutlivesOtherOpeners();
    void olderCopyIsSaid();

private:
    QTemporaryDir dir_;
    QString path(const QString &name) const { return dir_.filePath(name); }
};

namespace {

CurrentNote note(const QString &title, const QString &body, const QString &updated)
{
    CurrentNote n;
    n.NoteTitle = title;
    n.NoteAddDate = updated;
    n.NoteLastUpdate = updated;
    n.NotePriority = QStringLiteral("一般");
    n.NoteBody = body;
    return n;
}

class CountingSink : public NoteSink
{
public:
    int count = 0;
    void clear() override { count = 0; }
    void addItem(const NoteItem &) override { ++count; }
};

} // namespace

void TestCli::initTestCase()
{
    QVERIFY(dir_.isValid());
    for (const QString &name : {QStringLiteral("nb.qbf"), QStringLiteral("pw.qbf")}) {
        Notebook db;
        NoteIndex::attach(db);
        QVERIFY(db.create(path(name)));
        db.open(path(name));
        QVERIFY(Groups(db).add(QStringLiteral("工作")) && Groups(db).add(QStringLiteral("家")));
        QVERIFY(Notes(db).add(1, note(QStringLiteral("会议"),
                                   QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 SimSun;}}\\f0 \\u26126?\\u22825?\\u24320?\\u20250? Debian}"),
                                   QStringLiteral("2026/12/01 09:00"))));
        QVERIFY(Notes(db).add(2, note(QStringLiteral("购物"), QStringLiteral("买菜 牛奶"), QStringLiteral("2026/12/02 09:00"))));
        QVERIFY(Notes(db).add(1, note(QStringLiteral("牛奶账"), QString(), QStringLiteral("2026/11/30 09:00"))));
        if (name == QLatin1String("pw.qbf"))
            QVERIFY(db.writePassword(QStringLiteral("密码 123")));
    }
    QFile text(path(QStringLiteral("text.qbf")));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("just some text\n") > 0);
}

void TestCli::commands_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("input");    // standard input; none when null
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected"); // the whole output, or a part of it when exact is false;
                                           // for a failure, a part of the error line
    QTest::addColumn<bool>("exact");
    const QString none;
    auto row = [](const char *name, const QStringList &args, int status, const QString &out, bool exact = true,
                  const QString &input = QString()) { QTest::newRow(name) << args << input << status << out << exact; };
    const QString all = QStringLiteral("1\t工作\t会议\n3\t工作\t牛奶账\n2\t家\t购物\n");
    row("nominal: groups", {"groups", "{nb}"}, 0, QStringLiteral("1\t工作\n2\t家\n"));
    row("nominal: list", {"list", "{nb}"}, 0, all);
    row("nominal: list one group", {"list", "{nb}", "2"}, 0, QStringLiteral("2\t家\t购物\n"));
    row("nominal: show as text", {"show", "{nb}", "1"}, 0, QStringLiteral("明天开会 Debian\n"));
    row("nominal: show as stored", {"show", "{nb}", "2", "--format", "rtf"}, 0, QStringLiteral("买菜 牛奶"));
    row("nominal: show as html", {"show", "{nb}", "1", "--format", "html"}, 0, QStringLiteral("明天开会 Debian</span>"), false);
    row("nominal: search", {"search", "{nb}", "开会"}, 0, QStringLiteral("1\t工作\t会议\n"));
    row("nominal: search in title before body", {"search", "{nb}", "牛奶"}, 0,
        QStringLiteral("3\t工作\t牛奶账\n2\t家\t购物\n"));
    row("nominal: search, every term", {"search", "{nb}", "买菜", "牛奶"}, 0, QStringLiteral("2\t家\t购物\n"));
    row("nominal: search, quoted blank", {"search", "{nb}", "\"菜 牛\""}, 0, QStringLiteral("2\t家\t购物\n"));
    row("nominal: search, case and width", {"search", "{nb}", "ｄｅｂｉａｎ"}, 0, QStringLiteral("1\t工作\t会议\n"));
    row("nominal: search, font name is no text", {"search", "{nb}", "SimSun"}, 0, none);
    row("nominal: search in one group", {"search", "{nb}", "牛奶", "--group", "2"}, 0, QStringLiteral("2\t家\t购物\n"));
    row("nominal: search limit", {"search", "{nb}", "牛", "--limit", "1"}, 0, QStringLiteral("3\t工作\t牛奶账\n"));
    row("nominal: nothing found", {"search", "{nb}", "量子"}, 0, none);
    row("nominal: search, Traditional finds Simplified", {"search", "{nb}", "會議", "--variants"}, 0,
        QStringLiteral("1\t工作\t会议\n"));
    row("nominal: search, Traditional as written", {"search", "{nb}", "會議"}, 0, none);
    row("nominal: create", {"create", "{new}"}, 0, none);
    row("nominal: help", {"--help"}, 0, QStringLiteral("quillbook-cli search PATH QUERY..."), false);
    row("nominal: help of a command", {"show", "--help"}, 0, QStringLiteral("--format text|rtf|html"), false);
    row("nominal: version", {"--version"}, 0, QStringLiteral("quillbook-cli 0.1\n"));
    row("nominal: add a group, its ID printed", {"add-group", "{copy}", " 新组 "}, 0, QStringLiteral("3\n"));
    row("error: add a group named as one there, whatever the case", {"add-group", "{copy}", "工作"}, 1,
        QStringLiteral("该组 '工作' 已经存在"), false);
    row("usage: add a group of blanks", {"add-group", "{copy}", "  "}, 2, none);
    row("usage: add a group of a name too long", {"add-group", "{copy}", QString(51, u'名')}, 2, none);
    row("error: create over a file", {"create", "{nb}"}, 1, QStringLiteral("已存在，没有覆盖"), false);
    row("error: create in a folder that is not there", {"create", "{missing}/new.qbf"}, 1,
        QStringLiteral("文件夹不存在："), false);
    row("error: missing file", {"groups", "{missing}"}, 1, QStringLiteral("文件不存在："), false);
    row("error: a folder given as the notebook", {"list", "{folder}"}, 1,
        QStringLiteral("是文件夹，不是数据库文件"), false);
    row("error: a folder given to add a group to", {"add-group", "{folder}", "组"}, 1,
        QStringLiteral("是文件夹，不是数据库文件"), false);
    row("error: not a notebook", {"list", "{text}"}, 1, QStringLiteral("不是数据库文件"), false);
    row("error: no such note", {"show", "{nb}", "99"}, 1, none);
    row("error: no such group", {"list", "{nb}", "99"}, 1, none);
    row("usage: nothing", {}, 2, none);
    row("usage: unknown command", {"frob"}, 2, none);
    row("usage: ID not a number", {"show", "{nb}", "x"}, 2, none);
    row("usage: unknown format", {"show", "{nb}", "1", "--format", "pdf"}, 2, none);
    row("usage: unknown option", {"groups", "{nb}", "--frob"}, 2, none);
    row("usage: option without value", {"search", "{nb}", "a", "--limit"}, 2, none);
    row("usage: too few arguments", {"show", "{nb}"}, 2, none);
    row("usage: too many arguments", {"groups", "{nb}", "x"}, 2, none);
    row("usage: limit below one", {"search", "{nb}", "a", "--limit", "0"}, 2, none);
    row("password: right, from standard input", {"list", "{pw}", "--password-stdin"}, 0, all, true,
        QStringLiteral("密码 123\n"));
    row("password: right, without a line break", {"groups", "{pw}", "--password-stdin"}, 0,
        QStringLiteral("1\t工作\n2\t家\n"), true, QStringLiteral("密码 123"));
    row("password: wrong", {"list", "{pw}", "--password-stdin"}, 1, none, true, QStringLiteral("密码 1234\n"));
    row("password: case matters", {"search", "{pw}", "牛奶", "--password-stdin"}, 1, none, true, QStringLiteral("密码 123 \n"));
    row("password: empty input", {"list", "{pw}", "--password-stdin"}, 1, none, true, QStringLiteral(""));
    row("password: no terminal to ask on", {"list", "{pw}"}, 1, none);
    row("password: export", {"export", "{pw}", "--format", "txt", "--note", "2", "--out", "{new}", "--password-stdin"}, 0,
        QStringLiteral("/购物.txt\n"), false, QStringLiteral("密码 123\n"));
    row("nominal: help of export", {"export", "--help"}, 0, QStringLiteral("--format html|md|pdf|txt|rtf"), false);
    row("nominal: help of import", {"import", "--help"}, 0, QStringLiteral("PATH GROUP-ID FILE..."), false);
    row("usage: export, unknown format", {"export", "{nb}", "--format", "doc", "--out", "{new}"}, 2, none);
    row("usage: export without a folder", {"export", "{nb}", "--format", "txt"}, 2, none);
    row("usage: export of a note and a group", {"export", "{nb}", "--format", "txt", "--note", "1", "--group", "1",
                                                "--out", "{new}"}, 2, none);
    row("usage: export, note ID not a number", {"export", "{nb}", "--format", "txt", "--note", "x", "--out", "{new}"},
        2, none);
    row("usage: import, group ID not a number", {"import", "{nb}", "x", "{text}"}, 2, none);
    row("usage: import without files", {"import", "{nb}", "1"}, 2, none);
}

void TestCli::commands()
{
    QFETCH(QStringList, args);
    QFETCH(QString, input);
    QFETCH(int, status);
    QFETCH(QString, expected);
    QFETCH(bool, exact);
    if (args.contains(QStringLiteral("--variants")) && ChineseVariants::of(QStringLiteral("會議")).size() < 2)
        QSKIP("no Traditional/Simplified conversion data (libopencc-data)");
    static int created = 0;
    for (QString &a : args) {
        a.replace(QLatin1String("{nb}"), path(QStringLiteral("nb.qbf")));
        a.replace(QLatin1String("{pw}"), path(QStringLiteral("pw.qbf")));
        a.replace(QLatin1String("{text}"), path(QStringLiteral("text.qbf")));
        a.replace(QLatin1String("{missing}"), path(QStringLiteral("missing.qbf")));
        a.replace(QLatin1String("{new}"), path(QStringLiteral("new-%1.qbf").arg(++created)));
        a.replace(QLatin1String("{folder}"), dir_.path());
        if (a == QLatin1String("{copy}")) {
            a = path(QStringLiteral("copy-%1.qbf").arg(++created));
            QVERIFY(QFile::copy(path(QStringLiteral("nb.qbf")), a));
        }
    }
    QProcess p;
    // A session of its own: no controlling terminal, as under cron or CI.
    p.setChildProcessModifier([] { ::setsid(); });
    p.start(QStringLiteral(QB_CLI), args);
    QVERIFY(p.waitForStarted());
    if (!input.isNull())
        p.write(input.toUtf8());
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == status, qPrintable(QStringLiteral("status %1, stderr: %2").arg(p.exitCode()).arg(err)));
    if (status == 0) {
        if (exact)
            QCOMPARE(out, expected);
        else
            QVERIFY2(out.contains(expected), qPrintable(out));
        QCOMPARE(err, QString());
    } else {
        QCOMPARE(out, QString());
        // One line that names the program.
        QVERIFY2(err.startsWith(QLatin1String("quillbook-cli: ")) && err.count(QLatin1Char('\n')) == 1, qPrintable(err));
        QVERIFY2(err.contains(expected), qPrintable(err));
    }
    if (status == 1) {
        // Said in Chinese: no English words once the paths and options are taken out.
        QString words = err.mid(int(qstrlen("quillbook-cli: ")));
        words.remove(QRegularExpression(QStringLiteral("/[^\\s：，。；]*|--[a-z-]+")));
        QVERIFY2(!words.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3,}"))), qPrintable(err));
    }
    if (args.value(0) == QLatin1String("add-group") && status == 0) {
        Notebook db;
        db.open(args[1]);
        VectorGroupSink groups;
        Groups(db).load(groups);
        QCOMPARE(groups.nodes.back().text, args[2].trimmed());
        QCOMPARE(groups.nodes.back().key.mid(1), out.trimmed());
    }
    if (args.value(0) == QLatin1String("create") && status == 0) {
        Notebook db;
        db.open(args[1]);
        QVERIFY2(db.isOpen(), qPrintable(db.lastError()));
    }
}

void TestCli::password_data()
{
    QTest::addColumn<QString>("notebook"); // copied before the run
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("after"); // the password that opens it afterwards; "" = none
    const QString old = QStringLiteral("密码 123");
    const QString longOne(51, u'长');
    QTest::newRow("nominal: set") << "nb" << "新 密码\n新 密码\n" << 0 << "新 密码";
    QTest::newRow("nominal: change") << "pw" << old + "\nnew\nnew\n" << 0 << "new";
    QTest::newRow("nominal: remove") << "pw" << old + "\n\n\n" << 0 << "";
    QTest::newRow("error: wrong old password") << "pw" << "wrong\nnew\nnew\n" << 1 << old;
    QTest::newRow("error: the two differ") << "pw" << old + "\nnew\nnew2\n" << 1 << old;
    QTest::newRow("error: blanks at an end") << "nb" << " a\n a\n" << 1 << "";
    QTest::newRow("error: too long") << "nb" << longOne + "\n" + longOne + "\n" << 1 << "";
    QTest::newRow("error: input ends before the repeat") << "nb" << "a\n" << 1 << "";
}

void TestCli::password()
{
    QFETCH(QString, notebook);
    QFETCH(QString, input);
    QFETCH(int, status);
    QFETCH(QString, after);
    const QString file = path(QStringLiteral("changed-%1.qbf").arg(QTest::currentDataTag()));
    QVERIFY(QFile::copy(path(notebook + QStringLiteral(".qbf")), file));
    QProcess p;
    p.setChildProcessModifier([] { ::setsid(); });
    p.start(QStringLiteral(QB_CLI), {QStringLiteral("password"), file, QStringLiteral("--password-stdin")});
    QVERIFY(p.waitForStarted());
    p.write(input.toUtf8());
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(p.exitCode() == status, qPrintable(err));
    QCOMPARE(err.count(QLatin1Char('\n')), status == 0 ? 0 : 1);

    // A protected notebook is encrypted, and only its password opens it; the notes are all there.
    QCOMPARE(Notebook::protectionOf(file), after.isEmpty() ? Notebook::Protection::Plain : Notebook::Protection::Encrypted);
    Notebook db;
    if (!after.isEmpty())
        QCOMPARE(db.openWithPassword(file, after + QStringLiteral("x")), Notebook::Access::WrongPassword);
    QCOMPARE(db.openWithPassword(file, after), Notebook::Access::Opened);
    QCOMPARE(db.readPassword().isEmpty(), after.isEmpty());
    CountingSink notes;
    Notes(db).list(notes, -1);
    QCOMPARE(notes.count, 3);
}

namespace {

QByteArray contentOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Runs the program as a script on a server would: no terminal, no display, no Qt platform set.
int runCli(const QStringList &args, QString *out, QString *err, const QString &input = {})
{
    QProcess p;
    p.setChildProcessModifier([] { ::setsid(); });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QB_CLI), args);
    p.write(input.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return -1;
    *out = QString::fromUtf8(p.readAllStandardOutput());
    *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

void TestCli::exportFiles_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("existing"); // a file written into the folder first, "old"
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("files"); // every file in the folder afterwards
    QTest::addColumn<QString>("text");      // what the first file holds (PDF: its extracted text)
    auto row = [](const char *name, const QStringList &options, int status, const QStringList &files,
                  const QString &text, const QString &existing = {}) {
        QTest::newRow(name) << options << existing << status << files << text;
    };
    row("nominal: a note as HTML", {"--format", "html", "--note", "1"}, 0, {"会议.html"}, "明天开会 Debian");
    row("nominal: a group as Markdown", {"--format", "md", "--group", "1"}, 0, {"工作/会议.md", "工作/牛奶账.md"},
        "明天开会 Debian");
    row("nominal: the notebook as text", {"--format", "txt"}, 0,
        {"家/购物.txt", "工作/会议.txt", "工作/牛奶账.txt"}, "买菜 牛奶");
    row("nominal: the notebook as PDF", {"--format", "pdf"}, 0, {"nb.pdf"}, "明天开会 Debian");
    row("nominal: a note as RTF, byte for byte", {"--format", "rtf", "--note", "1"}, 0, {"会议.rtf"},
        "{\\rtf1\\ansi{\\fonttbl{\\f0 SimSun;}}\\f0 \\u26126?\\u22825?\\u24320?\\u20250? Debian}");
    row("nominal: an existing file replaced", {"--format", "txt", "--note", "1", "--replace"}, 0, {"会议.txt"},
        "明天开会 Debian", "会议.txt");
    row("error: an existing file is kept", {"--format", "txt", "--note", "1"}, 1, {"会议.txt"}, "old", "会议.txt");
    row("error: no such note", {"--format", "html", "--note", "99"}, 1, {}, {});
    row("error: no such group", {"--format", "html", "--group", "99"}, 1, {}, {});
}

void TestCli::exportFiles()
{
    QFETCH(QStringList, options);
    QFETCH(QString, existing);
    QFETCH(int, status);
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    const QString out = path(QStringLiteral("export-%1").arg(QTest::currentDataTag()));
    if (!existing.isEmpty()) {
        QVERIFY(QDir().mkpath(out));
        QFile f(QDir(out).filePath(existing));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("old") == 3);
    }
    QString stdOut, stdErr;
    const bool pdf = options.contains(QStringLiteral("pdf"));
    const int code = runCli(QStringList{QStringLiteral("export"), path(QStringLiteral("nb.qbf")), QStringLiteral("--out"), out}
                                + options, &stdOut, &stdErr);
    QVERIFY2(code == status, qPrintable(QStringLiteral("status %1: %2").arg(code).arg(stdErr)));
    QCOMPARE(filesUnder(out), files);
    if (files.isEmpty())
        return;
    const QString first = QDir(out).filePath(files.first());
    if (status == 0) {
        QVERIFY2(stdOut.contains(first + QLatin1Char('\n')), qPrintable(stdOut));
        // Written as any new file of the user's, though it was written under a temporary name.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(first).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0666 & ~mask);
    }
    if (!pdf) {
        QVERIFY2(QString::fromUtf8(contentOf(first)).contains(text), contentOf(first).constData());
        return;
    }
    QVERIFY(contentOf(first).startsWith("%PDF-"));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed (scripts/deps.sh installs it)");
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), first, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(QString::fromUtf8(p.readAllStandardOutput()).contains(text), qPrintable(stdErr));
}

void TestCli::importFiles_data()
{
    QTest::addColumn<QStringList>("args");   // after the notebook; {in} is the folder of inputs
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QStringList>("titles"); // group 2's titles afterwards, sorted
    QTest::newRow("nominal: text, Markdown and RTF files")
        << QStringList{"2", "{in}/甲.txt", "{in}/乙.md", "{in}/丙.rtf"} << 0 << "已导入 3 个文件\n"
        << QStringList{"丙", "乙", "甲", "购物"};
    QTest::newRow("nominal: a folder") << QStringList{"2", "{in}/文件夹"} << 0 << "已导入 1 个文件\n"
                                       << QStringList{"丁", "购物"};
    QTest::newRow("error: a file that is not text among good ones")
        << QStringList{"2", "{in}/甲.txt", "{in}/坏.txt"} << 1 << "已导入 1 个文件\n" << QStringList{"甲", "购物"};
    QTest::newRow("error: a picture named .rtf among good ones")
        << QStringList{"2", "{in}/甲.txt", "{in}/图.rtf"} << 1 << "已导入 1 个文件\n" << QStringList{"甲", "购物"};
    QTest::newRow("error: no such group") << QStringList{"99", "{in}/甲.txt"} << 1 << "" << QStringList{"购物"};
}

void TestCli::importFiles()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, printed);
    QFETCH(QStringList, titles);
    const QString in = path(QStringLiteral("inputs"));
    const QList<QPair<QString, QByteArray>> inputs{
        {QStringLiteral("甲.txt"), QByteArray("\xEF\xBB\xBF") + QStringLiteral("第一行\n第二行").toUtf8()},
        {QStringLiteral("乙.md"), QStringLiteral("# 标题\n\n- 一\n- 二\n").toUtf8()},
        {QStringLiteral("丙.rtf"), QByteArray("{\\rtf1\\ansi \\u20013?\\u25991?}")},
        {QStringLiteral("坏.txt"), QByteArray("\x00\x01\x02\x00PK", 6)},
        {QStringLiteral("文件夹/丁.html"), QStringLiteral("<p>网页</p>").toUtf8()},
        {QStringLiteral("文件夹/说明.pdf"), QByteArray("%PDF-1.4")},
        {QStringLiteral("图.rtf"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
    };
    for (const auto &[name, bytes] : inputs) {
        QVERIFY(QDir().mkpath(QFileInfo(QDir(in).filePath(name)).path()));
        QFile f(QDir(in).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    const QString book = path(QStringLiteral("import-%1.qbf").arg(QTest::currentDataTag()));
    QVERIFY(QFile::copy(path(QStringLiteral("nb.qbf")), book));
    for (QString &a : args)
        a.replace(QLatin1String("{in}"), in);
    QString out, err;
    const int code = runCli(QStringList{QStringLiteral("import"), book} + args, &out, &err);
    QVERIFY2(code == status, qPrintable(QStringLiteral("status %1: %2").arg(code).arg(err)));
    QCOMPARE(out, printed);
    // Each file left out is named on its own line, with the reason.
    QCOMPARE(err.count(QLatin1Char('\n')), status == 0 ? 0 : 1);
    if (args.last().endsWith(QLatin1String(".rtf")) && status != 0)
        QVERIFY2(err.contains(QStringLiteral("图.rtf：不是 RTF 文件")), qPrintable(err));

    Notebook db;
    db.open(book);
    QVERIFY(db.isOpen());
    class Titles : public NoteSink
    {
    public:
        QStringList all;
        void clear() override { all.clear(); }
        void addItem(const NoteItem &item) override { all << item.title; }
    } group;
    Notes(db).list(group, 2);
    group.all.sort();
    QCOMPARE(group.all, titles);
}

void TestCli::damagedNotebookIsNotWritten_data()
{
    QTest::addColumn<QStringList>("args"); // after the notebook
    QTest::addColumn<QString>("password");
    QTest::newRow("robustness: the damaged note shown") << QStringList{"show", "21"} << "";
    QTest::newRow("robustness: the damaged note of an encrypted notebook shown")
        << QStringList{"show", "21", "--password-stdin"} << "pw";
    QTest::newRow("robustness: import into a damaged notebook") << QStringList{"import", "1", "{text}"} << "";
    QTest::newRow("robustness: import into a damaged encrypted notebook")
        << QStringList{"import", "1", "{text}", "--password-stdin"} << "pw";
    QTest::newRow("robustness: a group added to a damaged notebook") << QStringList{"add-group", "新组"} << "";
    QTest::newRow("robustness: a group added to a damaged encrypted notebook")
        << QStringList{"add-group", "新组", "--password-stdin"} << "pw";
    QTest::newRow("robustness: a password set on a damaged notebook")
        << QStringList{"password", "--password-stdin"} << "";
}

// A flipped byte where opening does not look: the notebook opens, yet nothing is written to it,
// and the damaged note is said to be damaged.
void TestCli::damagedNotebookIsNotWritten()
{
    QFETCH(QStringList, args);
    QFETCH(QString, password);
    const QString book = path(QStringLiteral("damaged-%1.qbf").arg(QTest::currentDataTag()));
    Notebook keeper; // holds an encrypted notebook's key while the test damages it
    QVERIFY(openFresh(keeper, book));
    QVERIFY(CryptoTest::fill(keeper, 20));
    QVERIFY(Notes(keeper).add(1, CryptoTest::longNote()));
    keeper.setPasswordCost(NotebookHeader::Cost::lightest());
    QVERIFY(keeper.writePassword(password));
    keeper.close();
    QVERIFY(CryptoTest::damageBodyPage(book));
    const QByteArray before = fileBytes(book);

    args.insert(1, book);
    const QString text = path(QStringLiteral("记事.txt"));
    QVERIFY(writeBytes(text, QStringLiteral("要导入的文字\n").toUtf8()));
    args.replaceInStrings(QStringLiteral("{text}"), text);
    QString out, err;
    const QString input = password.isEmpty() ? QStringLiteral("新密码\n新密码\n") : password + QLatin1Char('\n');
    QCOMPARE(runCli(args, &out, &err, input), 1);
    QCOMPARE(out, QString());
    const QString said = args.first() == QLatin1String("show") ? Notebook::DamagedFile : QStringLiteral("已损坏，没有写入");
    QVERIFY2(err.contains(said), qPrintable(err));
    QCOMPARE(fileBytes(book), before);
}

void TestCli::historyOutlivesOtherOpeners_data()
{
    QTest::addColumn<QStringList>("args"); // after the notebook
    QTest::addColumn<bool>("chosen");      // the notebook has limits of its own
    QTest::newRow("nominal: list") << QStringList{"list"} << true;
    QTest::newRow("nominal: show") << QStringList{"show", "1"} << true;
    QTest::newRow("nominal: search") << QStringList{"search", "会议"} << true;
    QTest::newRow("nominal: a group added") << QStringList{"add-group", "新组"} << true;
    QTest::newRow("nominal: a note imported") << QStringList{"import", "1", "{text}"} << true;
    QTest::newRow("nominal: list, no limits chosen yet") << QStringList{"list"} << false;
    QTest::newRow("nominal: a note imported, no limits chosen yet") << QStringList{"import", "1", "{text}"} << false;
}

// A year-old history that the notebook's own limits keep (ten years) outlives every other
// program that opens it: they know nothing of the user's wish, and need not.
void TestCli::historyOutlivesOtherOpeners()
{
    QFETCH(QStringList, args);
    QFETCH(bool, chosen);
    const QString book = path(QStringLiteral("kept-%1.qbf").arg(QTest::currentDataTag()));
    {
        Notebook db;
        QVERIFY(openFresh(db, book));
        db.setClock([] { return QDateTime::currentDateTimeUtc().addDays(-400); });
        if (chosen)
            QVERIFY(KeptNotes(db).setLimits({3650, 100, 100}));
        QVERIFY(Groups(db).add(QStringLiteral("工作")));
        QVERIFY(Notes(db).add(1, note(QStringLiteral("会议"), QStringLiteral("v0"), QStringLiteral("2025/11/01 09:00"))));
        QVERIFY(Notes(db).add(1, note(QStringLiteral("旧"), QStringLiteral("x"), QStringLiteral("2025/11/01 09:00"))));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(Notes(db).update(1, note(QStringLiteral("会议"), QStringLiteral("v%1").arg(i), QStringLiteral("2025/11/02 09:00"))));
        QVERIFY(Notes(db).remove(2));
    }
    const QString text = path(QStringLiteral("导入.txt"));
    QVERIFY(writeBytes(text, QByteArrayLiteral("text")));
    args.replaceInStrings(QStringLiteral("{text}"), text);
    args.insert(1, book);
    QString out, err;
    QVERIFY2(runCli(args, &out, &err) == 0, qPrintable(err));

    Notebook db;
    db.open(book);
    QCOMPARE(KeptNotes(db).history(1).size(), std::size_t(3));
    QCOMPARE(KeptNotes(db).deleted().size(), std::size_t(1));
    QCOMPARE(bool(KeptNotes(db).limits()), chosen);
}

// An older copy of an encrypted notebook put back in its place is said, and the command goes on.
void TestCli::olderCopyIsSaid()
{
    const QString book = path(QStringLiteral("rolled-back.qbf"));
    const QString older = path(QStringLiteral("rolled-back-older.qbf"));
    QVERIFY(QFile::copy(path(QStringLiteral("pw.qbf")), book));
    QVERIFY(QFile::copy(book, older));
    QString out, err;
    const QString password = QStringLiteral("密码 123\n");
    QCOMPARE(runCli({QStringLiteral("add-group"), book, QStringLiteral("新组"), QStringLiteral("--password-stdin")}, &out,
                    &err, password),
             0);
    QCOMPARE(err, QString());
    QVERIFY(QFile::remove(book) && QFile::copy(older, book));
    QCOMPARE(runCli({QStringLiteral("groups"), book, QStringLiteral("--password-stdin")}, &out, &err, password), 0);
    QCOMPARE(out, QStringLiteral("1\t工作\n2\t家\n"));
    QCOMPARE(err, QStringLiteral("quillbook-cli: %1\n").arg(Notebook::OlderCopy));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
