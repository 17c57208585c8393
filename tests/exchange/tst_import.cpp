#include "ExchangeTesting.h"

#include "exchange/Export.h"
#include "exchange/FileImport.h"
#include "exchange/HtmlDepth.h"
#include "exchange/NoteFormats.h"
#include "exchange/TextFileCodec.h"
#include "settings/DateText.h"
#include "store/Sinks.h"

#include <QDir>
#include <QFile>
#include <QAbstractTextDocumentLayout>
#include <QStringEncoder>

#include <sys/stat.h>

using namespace exchange;

class TestImport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }
    void eachKindBecomesANote_data();
    void eachKindBecomesANote();
    void titleAndDatesComeFromTheFile();
    void picturesBesideThePageAreTakenIn();
    void badFilesAreNamedTheRestImported();
    void exportedNotesComeBack_data();
    void exportedNotesComeBack();
    void contentNotOfItsTypeIsRefused_data();
    void contentNotOfItsTypeIsRefused();
    void hostileFilesAreNotRead_data();
    void hostileFilesAreNotRead();
    void pageResourcesStayInItsFolder_data();
    void pageResourcesStayInItsFolder();
    void deepNestingKeepsTheText();
    void markdownKeepsEveryCharacter_data();
    void markdownKeepsEveryCharacter();
    void manpagesComeBackWhole();
};

namespace {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

struct NoteRows : NoteSink
{
    std::vector<NoteItem> items;
    void clear() override { items.clear(); }
    void addItem(const NoteItem &item) override { items.push_back(item); }
};

QTextCharFormat formatAt(const QTextDocument &doc, const QString &text)
{
    QTextCursor c = doc.find(text);
    return c.isNull() ? QTextCharFormat() : c.charFormat();
}

} // namespace

void TestImport::eachKindBecomesANote_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString zh = QStringLiteral("中文内容 abc");
    QStringEncoder le(QStringEncoder::Utf16LE), be(QStringEncoder::Utf16BE);
    QTest::newRow("UTF-8") << "a.txt" << zh.toUtf8() << zh;
    QTest::newRow("UTF-8 with BOM") << "a.txt" << "\xEF\xBB\xBF" + zh.toUtf8() << zh;
    QTest::newRow("UTF-16LE with BOM") << "a.txt" << "\xFF\xFE" + QByteArray(le(zh)) << zh;
    QTest::newRow("UTF-16BE with BOM") << "a.txt" << "\xFE\xFF" + QByteArray(be(zh)) << zh;
    QTest::newRow("GB18030") << "a.txt" << encodeWith(zh, "GB18030") << zh;
    QTest::newRow("GB18030, no extension") << "a" << encodeWith(zh, "GB18030") << zh;
    QTest::newRow("RTF") << "a.rtf" << QByteArray("{\\rtf1\\ansi\\ansicpg936 {\\b \\'d6\\'d0\\'ce\\'c4}\\par}") << QStringLiteral("中文");
    QTest::newRow("HTML, GB18030 declared") << "a.html"
        << "<html><head><meta charset=\"gb18030\"></head><body><p><b>" + encodeWith(zh, "GB18030") + "</b></p></body></html>" << zh;
    QTest::newRow("HTML, UTF-8") << "a.htm" << QStringLiteral("<p><b>%1</b></p>").arg(zh).toUtf8() << zh;
    QTest::newRow("Markdown") << "a.md" << QStringLiteral("**%1**\n\n- 一\n- 二\n").arg(zh).toUtf8() << zh + QStringLiteral("一二");
}

void TestImport::eachKindBecomesANote()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    QString error;
    const std::optional<CurrentNote> note = noteFromFile(writeFile(dir.filePath(name), bytes), &error);
    QVERIFY2(note, qPrintable(error));
    // Text files are kept as plain-text bodies, the rest as RTF.
    const bool plain = name == QLatin1String("a") || name.endsWith(QLatin1String(".txt"));
    QCOMPARE(note->NoteBody.startsWith(QLatin1String("{\\rtf")), !plain);
    QCOMPARE(bodyText(note->NoteBody), bareText(text));
    QCOMPARE(note->NoteTitle, QStringLiteral("a"));
    if (!plain) {
        QTextDocument doc;
        rtf::readInto(note->NoteBody, &doc);
        QCOMPARE(formatAt(doc, text.left(2)).fontWeight(), int(QFont::Bold));
    }
}

void TestImport::titleAndDatesComeFromTheFile()
{
    QTemporaryDir dir;
    const QString longName = QString(60, QChar(0x4E2D)) + QStringLiteral(".txt");
    const QString path = writeFile(dir.filePath(longName), "x");
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    const QDateTime when(QDate(2020, 1, 2), QTime(3, 4));
    QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
    f.close();
    QString error;
    const std::optional<CurrentNote> note = noteFromFile(path, &error);
    QVERIFY(note);
    QCOMPARE(note->NoteTitle, QString(50, QChar(0x4E2D)));
    QCOMPARE(note->NoteLastUpdate, Tools::NoteDateText(when));
    QVERIFY(!note->NoteAddDate.isEmpty());
}

void TestImport::picturesBesideThePageAreTakenIn()
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("图片/红.png")), redSquarePng());
    const QString page = writeFile(dir.filePath(QStringLiteral("页.html")),
        QStringLiteral("<p>前<img src=\"没有.png\">中<img src=\"%E5%9B%BE%E7%89%87/%E7%BA%A2.png\" width=\"16\" height=\"16\">后</p>").toUtf8());
    QString error;
    const std::optional<CurrentNote> note = noteFromFile(page, &error);
    QVERIFY(note);
    QTextDocument doc;
    rtf::readInto(note->NoteBody, &doc);
    QCOMPARE(doc.toPlainText(), QStringLiteral("前中\uFFFC后"));
    const QList<ImageSpot> spots = imageSpots(&doc);
    QCOMPARE(spots.size(), 1);
    const QTextImageFormat picture = spots.first().format;
    QCOMPARE(picture.width(), 16.0);
    const QImage image = doc.resource(QTextDocument::ImageResource, QUrl(picture.name())).value<QImage>();
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::red));
}

void TestImport::badFilesAreNamedTheRestImported()
{
    TempNotebook nb;
    const qint64 g = nb.group(QStringLiteral("导入"));
    const QString folder = nb.dir.filePath(QStringLiteral("文件"));
    writeFile(folder + QStringLiteral("/一.txt"), "1");
    writeFile(folder + QStringLiteral("/子/二.md"), "2");
    writeFile(folder + QStringLiteral("/图.png"), redSquarePng()); // not a kind we import from a folder
    const QString binary = writeFile(nb.dir.filePath(QStringLiteral("坏.txt")), QByteArray("a\0b", 3));
    const QString missing = nb.dir.filePath(QStringLiteral("没有.txt"));
    const QString good = writeFile(nb.dir.filePath(QStringLiteral("三.txt")), "3");
    int calls = 0;
    const ImportResult r = importFiles(nb.db, g, {folder, binary, missing, good}, [&](qint64, qint64 total) {
        [&] { QCOMPARE(total, 5); }();
        ++calls;
        return true;
    });
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.imported, 3);
    QCOMPARE(r.failed.size(), 2);
    QVERIFY(r.failed[0].startsWith(QDir::toNativeSeparators(binary)));
    QVERIFY(r.failed[1].startsWith(QDir::toNativeSeparators(missing)));
    QVERIFY(importSummary(r).startsWith(QStringLiteral("已导入 3 篇记事。")));
    QVERIFY(importSummary(r).contains(QDir::toNativeSeparators(missing)));
    QCOMPARE(calls, 6);
    NoteRows notes;
    Notes(nb.db).list(notes, g);
    QStringList titles;
    for (const NoteItem &i : notes.items)
        titles << i.title;
    QCOMPARE(titles, (QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}));

    // A group that is not there takes nothing.
    const ImportResult noGroup = importFiles(nb.db, g + 1, {good});
    QVERIFY(!noGroup.ok);
    QVERIFY(!noGroup.error.isEmpty());

    // Cancelled: nothing is added.
    const ImportResult cancelled = importFiles(nb.db, g, {good}, [](qint64, qint64) { return false; });
    QVERIFY(cancelled.cancelled);
    Notes(nb.db).list(notes, g);
    QCOMPARE(notes.items.size(), size_t(3));
}

void TestImport::exportedNotesComeBack_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("rtf") << QStringLiteral("rtf");
    QTest::newRow("html") << QStringLiteral("html");
    QTest::newRow("md") << QStringLiteral("md");
    QTest::newRow("txt") << QStringLiteral("txt");
}

void TestImport::exportedNotesComeBack()
{
    QFETCH(QString, format);
    TempNotebook nb;
    const qint64 g = nb.group(QStringLiteral("组"));
    const QString body = richBody(QStringLiteral("往返测试"));
    const qint64 id = nb.note(g, QStringLiteral("往返"), body);
    const QString out = nb.dir.filePath(QStringLiteral("out"));
    const ExportResult r = exportNotes(nb.db, {ExportScope::Note, id}, *formatNamed(format), out, {});
    QVERIFY2(r.ok, qPrintable(r.error));
    QString error;
    const std::optional<CurrentNote> note = noteFromFile(r.written.last(), &error);
    QVERIFY2(note, qPrintable(error));
    QCOMPARE(note->NoteTitle, QStringLiteral("往返"));
    if (format == QLatin1String("rtf")) {
        QCOMPARE(note->NoteBody, body);
        return;
    }
    QTextDocument doc;
    rtf::readInto(note->NoteBody, &doc);
    const QString text = bareText(doc.toPlainText()).remove(QChar(0x2022));
    QCOMPARE(text, bodyText(body));
    if (format == QLatin1String("txt"))
        return;
    QCOMPARE(formatAt(doc, QStringLiteral("往返测试")).fontWeight(), int(QFont::Bold));
    int pictures = 0, lists = 0, tables = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        lists += b.textList() ? 1 : 0;
        tables += QTextCursor(b).currentTable() ? 1 : 0;
        for (auto it = b.begin(); !it.atEnd(); ++it)
            pictures += it.fragment().charFormat().isImageFormat() ? 1 : 0;
    }
    QCOMPARE(pictures, 1);
    QCOMPARE(lists, 2);
    QCOMPARE(tables, 4);
    if (format == QLatin1String("html"))
        QCOMPARE(formatAt(doc, QStringLiteral("红色文字")).foreground().color(), QColor(Qt::red));
}

void TestImport::contentNotOfItsTypeIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("robustness: a picture named .rtf") << "a.rtf" << redSquarePng() << "不是 RTF 文件";
    QTest::newRow("robustness: a picture named .txt") << "a.txt" << redSquarePng() << "空字节";
    QTest::newRow("robustness: NUL bytes in a page") << "a.html" << QByteArray("<p>a\0b</p>", 10) << "空字节";
    QTest::newRow("robustness: neither UTF-8 nor GB18030") << "a.md" << QByteArray("abc \x80\xFF\x81 def") << "GB18030";
    QTest::newRow("robustness: UTF-16 cut in half") << "a.txt" << QByteArray("\xFF\xFE\x2D\x4E\x87", 5) << "UTF-16";
}

void TestImport::contentNotOfItsTypeIsRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString error;
    QVERIFY(!noteFromFile(writeFile(dir.filePath(name), bytes), &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void TestImport::hostileFilesAreNotRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("robustness: a FIFO") << "fifo" << "不是普通文件";
    QTest::newRow("robustness: a link named a.txt to a device") << "device link" << "不是普通文件";
    QTest::newRow("robustness: bigger than the bound") << "big" << "文件太大";
}

void TestImport::hostileFilesAreNotRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TempNotebook nb;
    const qint64 g = nb.group(QStringLiteral("导入"));
    const QString folder = nb.dir.filePath(QStringLiteral("文件"));
    const QString bad = QDir(folder).filePath(QStringLiteral("a.txt"));
    writeFile(QDir(folder).filePath(QStringLiteral("b.txt")), "好");
    if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(bad).constData(), 0600) == 0);
    } else if (kind == QLatin1String("device link")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), bad));
    } else {
        QFile f(writeFile(bad, "x")); // sparse: nothing is written
        QVERIFY(f.resize(MaxDocumentBytes + 1));
    }
    // Named on its own as well as found in a folder; either way it never blocks or fills memory.
    const ImportResult r = importFiles(nb.db, g, {folder, bad});
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.imported, 1);
    // A folder's listing leaves FIFOs out; what it lists goes the same way as a file named alone.
    QVERIFY(!r.failed.isEmpty());
    for (const QString &line : r.failed)
        QVERIFY2(line.startsWith(QDir::toNativeSeparators(bad)) && line.contains(reason), qPrintable(line));
}

void TestImport::pageResourcesStayInItsFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("page"); // {out}: a folder beside the page's, holding 红.png
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QString>("skipped");
    QTest::newRow("nominal: a picture below the page") << "a.html" << "<p>x<img src=\"下/红.png\"></p>" << 1 << "";
    QTest::newRow("nominal: Markdown picture below the page") << "a.md" << "x ![红](下/红.png)" << 1 << "";
    QTest::newRow("robustness: a FIFO beside the page") << "a.html" << "<p>x<img src=\"管.png\"></p>" << 0 << "管.png：不是普通文件";
    QTest::newRow("robustness: a device") << "a.html" << "<p>x<img src=\"/dev/zero\"></p>" << 0 << "/dev/zero：不在网页所在的文件夹中";
    QTest::newRow("robustness: Markdown, a device") << "a.md" << "x ![z](/dev/zero)" << 0 << "/dev/zero：不在网页所在的文件夹中";
    QTest::newRow("robustness: file address elsewhere") << "a.html" << "<p>x<img src=\"file://{out}/红.png\"></p>" << 0 << "不在网页所在的文件夹中";
    QTest::newRow("robustness: up and out") << "a.md" << "x ![红](../外/红.png)" << 0 << "不在网页所在的文件夹中";
    QTest::newRow("robustness: a link out of the folder") << "a.html" << "<p>x<img src=\"出/红.png\"></p>" << 0 << "不在网页所在的文件夹中";
    // Stylesheets and backgrounds are loaded by Qt itself while it reads the page.
    QTest::newRow("robustness: stylesheet from a device") << "a.html"
        << "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"/dev/zero\"></head><body><p>x</p></body></html>"
        << 0 << "/dev/zero：不在网页所在的文件夹中";
    QTest::newRow("robustness: imported stylesheet from a device") << "a.html"
        << "<style>@import url(/dev/zero);</style><p>x</p>" << 0 << "/dev/zero：不在网页所在的文件夹中";
    QTest::newRow("robustness: CSS background from a device") << "a.html"
        << "<style>p { background-image: url(/dev/zero) }</style><p>x</p>" << 0 << "/dev/zero：不在网页所在的文件夹中";
    QTest::newRow("robustness: page background elsewhere") << "a.html"
        << "<body background=\"{out}/红.png\"><p>x</p></body>" << 0 << "红.png：不在网页所在的文件夹中";
}

void TestImport::pageResourcesStayInItsFolder()
{
    QFETCH(QString, name);
    QFETCH(QString, page);
    QFETCH(int, pictures);
    QFETCH(QString, skipped);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("外"));
    writeFile(out + QStringLiteral("/红.png"), redSquarePng());
    writeFile(dir.filePath(QStringLiteral("页/下/红.png")), redSquarePng());
    QVERIFY(QFile::link(out, dir.filePath(QStringLiteral("页/出"))));
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("页/管.png"))).constData(), 0600) == 0);
    const QString path = writeFile(dir.filePath(QStringLiteral("页/") + name), page.replace(QLatin1String("{out}"), out).toUtf8());
    QString error;
    QStringList left;
    const std::optional<CurrentNote> note = noteFromFile(path, &error, &left);
    QVERIFY2(note, qPrintable(error));
    QTextDocument doc;
    rtf::readInto(note->NoteBody, &doc);
    QVERIFY(doc.toPlainText().contains(QLatin1Char('x')));
    // The note is laid out and shown later: whatever it kept must not lead out either.
    doc.documentLayout()->documentSize();
    QCOMPARE(imageSpots(&doc).size(), pictures);
    if (skipped.isEmpty())
        return;
    QCOMPARE(left.size(), 1);
    QVERIFY2(left.first().contains(skipped), qPrintable(left.first()));
}

void TestImport::deepNestingKeepsTheText()
{
    // 32,000 nested elements took most of a minute to read (bench/exchange/import.sh); beyond the
    // kept depth only their tags go.
    const int depth = 32000;
    QString html;
    for (int i = 0; i < depth; ++i)
        html += QStringLiteral("<div>%1").arg(i % 10);
    html += QStringLiteral("<b>底</b>");
    for (int i = 0; i < depth; ++i)
        html += QStringLiteral("</div>");
    html += QStringLiteral("<p><i>后</i></p>");
    const QString flat = flattenDeepHtml(html);
    QCOMPARE(flat.count(QStringLiteral("<div>")), MaxHtmlDepth);
    // Tags that never close are text, read once (each used to be read to the end of the page).
    const QString unclosed = QStringLiteral("<a 与 b ").repeated(200000);
    QCOMPARE(flattenDeepHtml(unclosed), unclosed);
    QTemporaryDir dir;
    QString error;
    const std::optional<CurrentNote> note = noteFromFile(writeFile(dir.filePath(QStringLiteral("深.html")), html.toUtf8()), &error);
    QVERIFY2(note, qPrintable(error));
    QTextDocument doc;
    rtf::readInto(note->NoteBody, &doc);
    QString digits;
    for (int i = 0; i < depth; ++i)
        digits += QChar(u'0' + i % 10);
    QCOMPARE(bareText(doc.toPlainText()), digits + QStringLiteral("底后"));
    QCOMPARE(formatAt(doc, QStringLiteral("后")).fontItalic(), true);
}

void TestImport::markdownKeepsEveryCharacter_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("robustness: an unknown tag") << "前一段\n<n> 与 符号\n# 标题\n后一段文字";
    QTest::newRow("robustness: heading, list and quote marks") << "# 不是标题\n1. 不是列表\n2) 也不是\n- 不是\n+ 不是\n> 不是引用";
    QTest::newRow("robustness: inline marks") << "*重点* _斜_ **粗** ~~删~~ [x](y) ![p](q) `代码` <b>粗</b> &amp; a\\b";
    QTest::newRow("robustness: rules, underlines and tables") << "标题\n===\n---\n***\n|a|b|\n|-|-|";
    QTest::newRow("robustness: marks where a long line wraps")
        << QString(QStringLiteral("长 ")).repeated(30) + QStringLiteral("1. 不是 - 列表 # 不是 > 引用 ") + QString(QStringLiteral("尾 ")).repeated(30);
}

void TestImport::markdownKeepsEveryCharacter()
{
    QFETCH(QString, text);
    QTemporaryDir dir;
    QTextDocument doc;
    doc.setPlainText(text);
    const QString path = writeFile(dir.filePath(QStringLiteral("a.md")), markdownOf(&doc));
    QString error;
    const std::optional<CurrentNote> note = noteFromFile(path, &error);
    QVERIFY2(note, qPrintable(error));
    QTextDocument back;
    rtf::readInto(note->NoteBody, &back);
    QCOMPARE(bareText(back.toPlainText()), bareText(text));
    // A file written elsewhere, tags and all: nothing after the tag is lost, and a heading keeps its size.
    const QString foreign = writeFile(dir.filePath(QStringLiteral("b.md")), QStringLiteral("前一段\n\n<n> 与 符号\n\n# 标题\n\n后一段文字\n").toUtf8());
    const std::optional<CurrentNote> other = noteFromFile(foreign, &error);
    QVERIFY2(other, qPrintable(error));
    rtf::readInto(other->NoteBody, &back);
    QCOMPARE(bareText(back.toPlainText()), QStringLiteral("前一段<n>与符号标题后一段文字"));
    QVERIFY(formatAt(back, QStringLiteral("标题")).fontPointSize() > formatAt(back, QStringLiteral("后一段")).font().pointSizeF());
}

void TestImport::manpagesComeBackWhole()
{
    // Real Chinese text full of what Markdown reads as structure: the manual pages' sources.
    const QDir pages(QStringLiteral("/usr/share/man/zh_CN/man1"));
    const QStringList names = pages.entryList({QStringLiteral("*.gz")}, QDir::Files, QDir::Name);
    if (names.size() < 100)
        QSKIP("manpages-zh is not installed (scripts/deps.sh installs it)");
    TempNotebook nb;
    const qint64 from = nb.group(QStringLiteral("手册"));
    const qint64 to = nb.group(QStringLiteral("读回"));
    QHash<QString, QString> texts;
    for (qsizetype i = 0; i < names.size(); i += 2) {
        const QByteArray source = runTool(tool("gzip"), {QStringLiteral("-dc"), pages.filePath(names[i])});
        QString why;
        const std::optional<QString> text = decodeTextStrictly(source, QLocale(), &why);
        if (!text)
            continue; // a few are in GB2312 with faults
        const QString title = QFileInfo(names[i]).completeBaseName().remove(QLatin1String(".1"));
        QTextDocument doc;
        doc.setPlainText(*text);
        const QString body = rtf::writeText(&doc);
        texts.insert(title, bodyText(body)); // as the note holds it
        nb.note(from, title, body);
    }
    QVERIFY(texts.size() > 50);
    const QString out = nb.dir.filePath(QStringLiteral("md"));
    const ExportResult r = exportNotes(nb.db, {ExportScope::Group, from}, Format::Markdown, out, {});
    QVERIFY2(r.ok, qPrintable(r.error));
    const ImportResult back = importFiles(nb.db, to, {out});
    QVERIFY2(back.ok, qPrintable(back.error));
    QVERIFY2(back.failed.isEmpty(), qPrintable(back.failed.join(QLatin1Char('\n'))));
    QCOMPARE(back.imported, int(texts.size()));
    NoteRows notes;
    Notes(nb.db).list(notes, to);
    int whole = 0;
    for (const NoteItem &item : notes.items) {
        const QString text = bodyText(Notes(nb.db).body(QStringView(item.key).mid(1).toLongLong()));
        if (text == texts.value(item.title))
            ++whole;
        else
            qWarning("%s differs", qPrintable(item.title));
    }
    QCOMPARE(whole, int(texts.size()));
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
