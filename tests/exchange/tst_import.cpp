#include "ExchangeTesting.h"

#include "exchange/Export.h"
#include "exchange/FileImport.h"
#include "exchange/NoteFormats.h"
#include "exchange/TextFileCodec.h"
#include "settings/DateText.h"
#include "store/Sinks.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

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

struct Notes : NoteSink
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
    QVERIFY(note->NoteBody.startsWith(QLatin1String("{\\rtf")));
    QCOMPARE(bodyText(note->NoteBody), bareText(text));
    QCOMPARE(note->NoteTitle, QStringLiteral("a"));
    if (name != QLatin1String("a") && !name.endsWith(QLatin1String(".txt"))) {
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
    Notebook nb;
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
    QVERIFY(failureSummary(r).contains(QDir::toNativeSeparators(missing)));
    QCOMPARE(calls, 6);
    Notes notes;
    nb.db.LoadNotes(notes, g);
    QStringList titles;
    for (const NoteItem &i : notes.items)
        titles << i.text;
    QCOMPARE(titles, (QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}));

    // A group that is not there takes nothing.
    const ImportResult noGroup = importFiles(nb.db, g + 1, {good});
    QVERIFY(!noGroup.ok);
    QVERIFY(!noGroup.error.isEmpty());

    // Cancelled: nothing is added.
    const ImportResult cancelled = importFiles(nb.db, g, {good}, [](qint64, qint64) { return false; });
    QVERIFY(cancelled.cancelled);
    nb.db.LoadNotes(notes, g);
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
    Notebook nb;
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

QTEST_MAIN(TestImport)
#include "tst_import.moc"
