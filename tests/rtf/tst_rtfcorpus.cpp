// The reader against files written by other programs, with the text their authors expect.
#include "rtf/Rtf.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>

namespace {

QString corpusDir(const char *which)
{
    return QStringLiteral(QB_SHARED_DIR "/rtf-corpus/") + QLatin1String(which);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Expected texts mark table cells with '|' and links as text("url"); runs of blanks don't count.
QString normalised(QString text, bool expected)
{
    if (expected) {
        static const QRegularExpression link(QStringLiteral("\\(\"[^\"]*\"\\)"));
        text.remove(link);
    }
    text.replace(QLatin1Char('|'), QLatin1Char(' '));
    return text.simplified();
}

QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        if (!ch.isSpace() && ch != QChar::ObjectReplacementCharacter)
            out += ch;
    }
    return out;
}

// Files whose reference text we judge wrong for a reader of RTF, and why.
struct Deviation
{
    const char *file;
    const char *reason;
};

const Deviation kDeviations[] = {
    // The file holds a second document after the first one's closing brace; the reference text
    // includes it (and the words between), a reader of one document stops at its end.
    {"encoding.rtf", "text after the closing brace"},
    // The HTML twin was made from another document (a table of tab stops and colours).
    {"scratch.rtf", "HTML twin of another file"},
    // A SYMBOL field whose result group is empty: the twin shows the Wingdings glyph computed
    // from the field instruction; we show the field result as the file stores it.
    {"Issue46.rtf", "SYMBOL field with an empty result"},
    // Damaged: every "\\*" and "\\'" lost its backslash, so destinations such as {*\\panose ...}
    // are plain groups whose text shows; the twin hides them by their names.
    {"Issue50-2.rtf", "damaged destination markers"},
};

const char *deviation(const QString &path)
{
    for (const Deviation &d : kDeviations) {
        if (path.endsWith(QLatin1Char('/') + QLatin1String(d.file)))
            return d.reason;
    }
    return nullptr;
}

// Compares long texts, reporting where they part instead of their first hundred characters.
bool sameText(const QString &actual, const QString &expected)
{
    if (actual == expected)
        return true;
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual.at(i) == expected.at(i))
        ++i;
    const qsizetype from = qMax<qsizetype>(0, i - 40);
    qWarning("texts part at %lld:\n ours:     %s\n expected: %s", qlonglong(i),
             qPrintable(actual.mid(from, 120)), qPrintable(expected.mid(from, 120)));
    return false;
}

} // namespace

class TestRtfCorpus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void striprtfText_data();
    void striprtfText();
    void rtfpipeFiles_data();
    void rtfpipeFiles();
};

void TestRtfCorpus::striprtfText_data()
{
    QTest::addColumn<QString>("rtfPath");
    QTest::addColumn<QString>("textPath");
    const QDir dir(corpusDir("striprtf"));
    if (!dir.exists())
        QSKIP("the shared RTF corpus is not on this machine");
    const QStringList files = QDir(dir.filePath(QStringLiteral("rtf"))).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const QString text = dir.filePath(QStringLiteral("text/") + QFileInfo(file).completeBaseName() + QStringLiteral(".txt"));
        if (QFile::exists(text))
            QTest::newRow(qPrintable(QStringLiteral("nominal: ") + file)) << dir.filePath(QStringLiteral("rtf/") + file) << text;
    }
}

void TestRtfCorpus::striprtfText()
{
    QFETCH(QString, rtfPath);
    QFETCH(QString, textPath);
    const QString ours = normalised(rtf::toPlainText(readFile(rtfPath)), false);
    const QString expected = normalised(QString::fromUtf8(readFile(textPath)), true);
    if (deviation(rtfPath)) {
        // What we read must still be the reference text up to where the document ends.
        QVERIFY(ours.size() > 100);
        QVERIFY(sameText(ours, expected.left(ours.size())));
        return;
    }
    QVERIFY(sameText(ours, expected));
}

void TestRtfCorpus::rtfpipeFiles_data()
{
    QTest::addColumn<QString>("rtfPath");
    QTest::addColumn<QString>("htmlPath");
    const QDir dir(corpusDir("rtfpipe"));
    if (!dir.exists())
        QSKIP("the shared RTF corpus is not on this machine");
    for (const QString &file : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name)) {
        const QString html = dir.filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".html"));
        QTest::newRow(qPrintable(QStringLiteral("nominal: ") + file))
            << dir.filePath(file) << (QFile::exists(html) ? html : QString());
    }
}

void TestRtfCorpus::rtfpipeFiles()
{
    QFETCH(QString, rtfPath);
    QFETCH(QString, htmlPath);
    const QByteArray body = readFile(rtfPath);
    QTextDocument doc;
    rtf::readInto(body, &doc);
    // Whatever we read must survive our own writer unchanged in text.
    QTextDocument again;
    rtf::readInto(rtf::write(&doc), &again);
    QVERIFY(sameText(again.toPlainText(), doc.toPlainText()));
    if (htmlPath.isEmpty() || deviation(rtfPath))
        return;
    QTextDocument html;
    html.setHtml(QString::fromUtf8(readFile(htmlPath)));
    QVERIFY(sameText(withoutBlanks(doc.toPlainText()), withoutBlanks(html.toPlainText())));
}

QTEST_MAIN(TestRtfCorpus)
#include "tst_rtfcorpus.moc"
