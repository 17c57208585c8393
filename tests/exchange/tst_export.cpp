#include "ExchangeTesting.h"

#include "exchange/Export.h"
#include "exchange/FileImport.h"

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>

using namespace exchange;

class TestExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachFormatCarriesTheNote_data();
    void eachFormatCarriesTheNote();
    void notebookLayoutStaysInsideTheFolder();
    void eachNoteStartsAPageUnderItsTitle_data();
    void eachNoteStartsAPageUnderItsTitle();
    void pdfTextIsTheNotesText_data();
    void pdfTextIsTheNotesText();
    void existingFilesNeedConsent();
    void cancelLeavesOnlyWholeFiles_data();
    void cancelLeavesOnlyWholeFiles();
};

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Where two long texts first differ, with a little of each around it.
QString firstDifference(const QString &actual, const QString &expected)
{
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    if (at == actual.size() && at == expected.size())
        return QString();
    const qsizetype from = qMax<qsizetype>(0, at - 20);
    return QStringLiteral("at %1 of %2: got \"%3\", expected \"%4\"")
        .arg(at).arg(expected.size()).arg(actual.mid(from, 40), expected.mid(from, 40));
}

} // namespace

void TestExport::eachFormatCarriesTheNote_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("file");
    // The file is the one named, whatever the note's title.
    for (const char *f : {"html", "md", "pdf", "txt", "rtf"})
        QTest::newRow(f) << QString::fromLatin1(f) << QStringLiteral("导出的文件.%1").arg(QLatin1String(f));
}

void TestExport::eachFormatCarriesTheNote()
{
    QFETCH(QString, format);
    QFETCH(QString, file);
    TempNotebook nb;
    const QString body = richBody(QStringLiteral("你好，世界 Quillbook"));
    const qint64 id = nb.note(nb.group(QStringLiteral("组")), QStringLiteral("中文笔记"), body);
    const QString out = nb.dir.filePath(QStringLiteral("out"));
    const QString path = QDir(out).filePath(file);
    const ExportResult r = exportNoteTo(nb.db, id, *formatNamed(format), path, {});
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.written.last(), path);
    const QByteArray bytes = readAll(path);
    const QString expected = bodyText(body);

    if (format == QLatin1String("rtf")) {
        QCOMPARE(bytes, body.toLatin1());
    } else if (format == QLatin1String("txt")) {
        QCOMPARE(bareText(QString::fromUtf8(bytes)).remove(QChar(0x2022)), expected);
    } else if (format == QLatin1String("html")) {
        const QString html = QString::fromUtf8(bytes);
        QVERIFY(html.contains(QLatin1String("charset=\"utf-8\""), Qt::CaseInsensitive));
        QVERIFY(html.contains(QLatin1String("#ff0000")));
        QVERIFY(html.contains(QLatin1String("<table")));
        QVERIFY(html.contains(QLatin1String("<li")));
        QVERIFY(html.contains(QLatin1String("src=\"%E5%AF%BC%E5%87%BA%E7%9A%84%E6%96%87%E4%BB%B6_files/image1.png\"")));
        QCOMPARE(readAll(QDir(out).filePath(QStringLiteral("导出的文件_files/image1.png"))), redSquarePng());
        QTextDocument doc;
        doc.setHtml(html);
        QCOMPARE(bareText(doc.toPlainText()), expected);
    } else if (format == QLatin1String("md")) {
        QVERIFY2(bytes.contains("**你好，世界 Quillbook**"), bytes.constData());
        QVERIFY2(bytes.contains("(%E5%AF%BC%E5%87%BA%E7%9A%84%E6%96%87%E4%BB%B6_files/image1.png)"), bytes.constData());
        QVERIFY(QFile::exists(QDir(out).filePath(QStringLiteral("导出的文件_files/image1.png"))));
        if (tool("cmark").isEmpty())
            QSKIP("cmark is not installed (scripts/deps.sh installs it)");
        QTextDocument doc;
        doc.setHtml(QString::fromUtf8(runTool(tool("cmark"), {path})));
        // Plain CommonMark shows a pipe table as its text with the bars.
        QCOMPARE(bareText(doc.toPlainText()).remove(QRegularExpression(QStringLiteral("[|-]"))), expected);
    } else {
        QVERIFY(bytes.startsWith("%PDF"));
        if (tool("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed (scripts/deps.sh installs it)");
        const QString text = QString::fromUtf8(runTool(tool("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")}));
        // Under its title.
        QCOMPARE(bareText(text), QStringLiteral("中文笔记") + expected);
    }
}

void TestExport::notebookLayoutStaysInsideTheFolder()
{
    TempNotebook nb;
    const qint64 g1 = nb.group(QStringLiteral("../组"));
    const qint64 g2 = nb.group(QStringLiteral("CON"));
    nb.note(g1, QStringLiteral("../../x"), richBody(QStringLiteral("一")));
    nb.note(g1, QStringLiteral("/etc/passwd"), QStringLiteral("纯文本"));
    nb.note(g1, QStringLiteral("重名"), QStringLiteral("二"));
    nb.note(g1, QStringLiteral("重名"), QStringLiteral("三"));
    nb.note(g2, QStringLiteral("重名"), QStringLiteral("四"));
    const QString out = nb.dir.filePath(QStringLiteral("导出"));
    const ExportResult r = exportNotes(nb.db, {ExportScope::Notebook, 0}, Format::Html, out, {});
    QVERIFY2(r.ok, qPrintable(r.error));
    QStringList relative;
    for (const QString &f : filesUnder(nb.dir.path()))
        relative << QDir(nb.dir.path()).relativeFilePath(f);
    const QStringList expected{
        QStringLiteral("导出/_CON/重名.html"),
        QStringLiteral("导出/_组/_.._x.html"),
        QStringLiteral("导出/_组/_.._x_files/image1.png"),
        QStringLiteral("导出/_组/_etc_passwd.html"),
        QStringLiteral("导出/_组/重名 (2).html"),
        QStringLiteral("导出/_组/重名.html"),
        QStringLiteral("导出/index.html"),
        QStringLiteral("测试.qbf"),
    };
    QVERIFY2(relative == expected, qPrintable(relative.join(QLatin1Char(' '))));
    const QString index = QString::fromUtf8(readAll(QDir(out).filePath(QStringLiteral("index.html"))));
    QVERIFY(index.contains(QStringLiteral("<title>测试</title>")));
    QVERIFY(index.contains(QLatin1String("href=\"_%E7%BB%84/%E9%87%8D%E5%90%8D%20%282%29.html\"")));
    QVERIFY(index.contains(QStringLiteral(">../../x</a>")));
}

void TestExport::eachNoteStartsAPageUnderItsTitle_data()
{
    QTest::addColumn<bool>("printed");
    QTest::newRow("nominal: exported as PDF, the titles also as bookmarks") << false;
    QTest::newRow("nominal: printed") << true;
}

void TestExport::eachNoteStartsAPageUnderItsTitle()
{
    QFETCH(bool, printed);
    TempNotebook nb;
    const qint64 g = nb.group(QStringLiteral("日记"));
    const QStringList titles{QStringLiteral("第一篇"), QStringLiteral("第二篇"), QStringLiteral("第三篇")};
    for (const QString &t : titles)
        nb.note(g, t, richBody(t + QStringLiteral("正文")));
    QString path = nb.dir.filePath(QStringLiteral("打印.pdf"));
    if (printed) {
        QPdfWriter writer(path);
        QString error;
        QVERIFY2(printNotes(nb.db, {ExportScope::Group, g}, &writer, &error), qPrintable(error));
    } else {
        const QString out = nb.dir.filePath(QStringLiteral("out"));
        const ExportResult r = exportNotes(nb.db, {ExportScope::Group, g}, Format::Pdf, out, {});
        QVERIFY2(r.ok, qPrintable(r.error));
        path = QDir(out).filePath(QStringLiteral("日记.pdf"));
        QCOMPARE(r.written, QStringList{path});
        const QByteArray pdf = readAll(path);
        for (const QString &t : titles) {
            QByteArray hex("\xFE\xFF", 2);
            for (const QChar c : t)
                hex.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
            QVERIFY2(pdf.contains("/Title <" + hex.toHex() + '>'), qPrintable(t));
        }
    }
    if (tool("pdftotext").isEmpty() || tool("pdfinfo").isEmpty())
        QSKIP("poppler-utils is not installed (scripts/deps.sh installs it)");
    QVERIFY(QString::fromUtf8(runTool(tool("pdfinfo"), {path})).contains(QRegularExpression(QStringLiteral("Pages:\\s+3\n"))));
    for (int page = 1; page <= 3; ++page) {
        const QString n = QString::number(page);
        QString text = QString::fromUtf8(runTool(tool("pdftotext"), {QStringLiteral("-f"), n, QStringLiteral("-l"), n, path, QStringLiteral("-")}));
        // A printer is given glyphs; only an exported PDF has its text map put right.
        if (printed)
            text = text.normalized(QString::NormalizationForm_KC);
        const QString t = titles[page - 1];
        QCOMPARE(bareText(text).remove(QRegularExpression(QStringLiteral("红色文字.*"))), t + t + QStringLiteral("正文"));
    }
    // Poppler follows the appended update without complaint (a wrong offset gets "Syntax Error").
    QProcess info;
    info.start(tool("pdfinfo"), {path});
    QVERIFY(info.waitForFinished());
    QCOMPARE(info.readAllStandardError(), QByteArray());
}

void TestExport::pdfTextIsTheNotesText_data()
{
    // The characters whose glyphs CJK fonts share with a radical, and the letters fonts join.
    const QStringList hard = QStringLiteral("页 见 长 风 西 贝 车 齐 马 麦 黄 民 fi ff fl").split(QLatin1Char(' '));
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("bodies");
    QTest::newRow("nominal: radicals' twins and ligatures, rich and plain")
        << QStringList{QStringLiteral("页面"), QStringLiteral("office")}
        << QStringList{richBody(hard.join(QString())), QStringLiteral("见长风西 affluent fifty flow 民马")};
    QStringList titles, bodies;
    for (const auto &[name, text] : manualPages(hard)) {
        titles << name;
        bodies << text;
    }
    QTest::newRow("nominal: Chinese manual pages") << titles << bodies;
}

void TestExport::pdfTextIsTheNotesText()
{
    QFETCH(QStringList, titles);
    QFETCH(QStringList, bodies);
    if (titles.isEmpty())
        QSKIP("manpages-zh is not installed (scripts/deps.sh installs it)");
    if (tool("pdftotext").isEmpty())
        QSKIP("poppler-utils is not installed (scripts/deps.sh installs it)");
    TempNotebook nb;
    const qint64 g = nb.group(QStringLiteral("组"));
    QString expected;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        nb.note(g, titles[i], bodies[i]);
        expected += bareText(titles[i]) + bodyText(bodies[i]);
    }
    const QString out = nb.dir.filePath(QStringLiteral("out"));
    const ExportResult r = exportNotes(nb.db, {ExportScope::Group, g}, Format::Pdf, out, {});
    QVERIFY2(r.ok, qPrintable(r.error));
    // As laid out: in reading order pdftotext joins a word broken after a hyphen at a line's end.
    const QString text = QString::fromUtf8(runTool(tool("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), r.written.value(0), QStringLiteral("-")}));
    const QString difference = firstDifference(bareText(text), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestExport::existingFilesNeedConsent()
{
    TempNotebook nb;
    const qint64 id = nb.note(nb.group(QStringLiteral("组")), QStringLiteral("笔记"), QStringLiteral("新的内容"));
    const QString out = nb.dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString path = QDir(out).filePath(QStringLiteral("笔记.txt"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();

    ExportHooks hooks;
    QStringList asked;
    Overwrite answer = Overwrite::Skip;
    hooks.overwrite = [&](const QString &p) { asked << p; return answer; };
    ExportResult r = exportNotes(nb.db, {ExportScope::Note, id}, Format::Text, out, hooks);
    QVERIFY(r.ok);
    QCOMPARE(asked, QStringList{path});
    QCOMPARE(r.kept, QStringList{path});
    QCOMPARE(readAll(path), QByteArray("old"));

    answer = Overwrite::Cancel;
    r = exportNotes(nb.db, {ExportScope::Note, id}, Format::Text, out, hooks);
    QVERIFY(r.cancelled);
    QCOMPARE(readAll(path), QByteArray("old"));

    answer = Overwrite::Replace;
    r = exportNotes(nb.db, {ExportScope::Note, id}, Format::Text, out, hooks);
    QVERIFY(r.ok);
    QCOMPARE(readAll(path), QStringLiteral("新的内容").toUtf8());
    // Without a question nothing is replaced.
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    QVERIFY(exportNotes(nb.db, {ExportScope::Note, id}, Format::Text, out, {}).ok);
    QCOMPARE(readAll(path), QByteArray("old"));
}

void TestExport::cancelLeavesOnlyWholeFiles_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("expectedFiles");
    QTest::newRow("html: two notes, their pictures, no index") << QStringLiteral("html") << 4;
    QTest::newRow("pdf: nothing") << QStringLiteral("pdf") << 0;
    QTest::newRow("rtf: two notes") << QStringLiteral("rtf") << 2;
}

void TestExport::cancelLeavesOnlyWholeFiles()
{
    QFETCH(QString, format);
    QFETCH(int, expectedFiles);
    TempNotebook nb;
    const qint64 g = nb.group(QStringLiteral("组"));
    for (int i = 0; i < 5; ++i)
        nb.note(g, QStringLiteral("笔记%1").arg(i), richBody(QStringLiteral("内容%1").arg(i)));
    const QString out = nb.dir.filePath(QStringLiteral("out"));
    ExportHooks hooks;
    hooks.progress = [](qint64 done, qint64 total) {
        [&] { QCOMPARE(total, 5); }();
        return done < 2;
    };
    const ExportResult r = exportNotes(nb.db, {ExportScope::Group, g}, *formatNamed(format), out, hooks);
    QVERIFY(r.ok);
    QVERIFY(r.cancelled);
    const QStringList files = filesUnder(out);
    QCOMPARE(files.size(), expectedFiles);
    QStringList written = r.written;
    written.sort();
    QCOMPARE(files, written);
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
