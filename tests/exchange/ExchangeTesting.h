#pragma once

// A notebook with notes that use what export has to carry: Chinese text, bold, a colour, a
// bullet list, a table and a picture.

#include "rtf/Rtf.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <utility>

inline QByteArray redSquarePng()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// RTF body of a rich note whose plain text holds every word of words.
inline QString richBody(const QString &words)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(words, bold);
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    c.insertText(QStringLiteral(" 红色文字"), red);
    c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.createList(QTextListFormat::ListDisc);
    c.insertText(QStringLiteral("第一项"));
    c.insertBlock();
    c.insertText(QStringLiteral("第二项"));
    c.insertBlock(QTextBlockFormat());
    QTextTable *table = c.insertTable(2, 2);
    table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("甲"));
    table->cellAt(0, 1).firstCursorPosition().insertText(QStringLiteral("乙"));
    table->cellAt(1, 0).firstCursorPosition().insertText(QStringLiteral("丙"));
    table->cellAt(1, 1).firstCursorPosition().insertText(QStringLiteral("丁"));
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    const QString name = rtf::addPicture(&doc, redSquarePng());
    c.insertImage(rtf::pictureFormat(&doc, name));
    c.insertText(QStringLiteral("结尾"));
    return rtf::writeText(&doc);
}

// Text of a body for comparing with what other programs extract: no blanks, no picture marks.
inline QString bareText(QString text)
{
    text.remove(QChar::ObjectReplacementCharacter);
    // Every blank, the ideographic space too: extracted text has the layout's blanks, not the note's.
    static const QRegularExpression blanks(QStringLiteral("\\s"), QRegularExpression::UseUnicodePropertiesOption);
    text.remove(blanks);
    return text;
}

inline QString bodyText(const QString &body)
{
    QTextDocument doc;
    rtf::readInto(body, &doc);
    return bareText(doc.toPlainText());
}

inline QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Standard output of a program, or a failed test.
inline QByteArray runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QByteArray();
    return p.readAllStandardOutput();
}

// Plain text of a manual page: roff's requests and escapes left out, their words kept.
inline QString manualText(const QString &roff)
{
    static const QRegularExpression escape(
        QStringLiteral("\\\\([fF](\\(..|\\[[^\\]]*\\]|.)|\\(..|\\*(\\(..|.)|s[-+]?\\d*|[&,/:^|c%])"));
    QStringList lines;
    for (QString line : roff.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".\\\"")) || line.startsWith(QLatin1String("'\\\"")))
            continue;
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line = line.section(QLatin1Char(' '), 1);
        line.replace(QLatin1String("\\-"), QLatin1String("-")).replace(QLatin1String("\\e"), QLatin1String("\\"));
        // Control characters (roff's delimiters) are nothing a page shows.
        static const QRegularExpression controls(QStringLiteral("[\\x00-\\x08\\x0b-\\x1f\\x7f]"));
        line.remove(escape).remove(controls).remove(QLatin1Char('"'));
        lines << line;
    }
    return lines.join(QLatin1Char('\n')).trimmed();
}

// Real Chinese text from Debian's manpages-zh: the smallest pages that together hold every
// string of mustHold, as (name, text) pairs in the order of their names. Empty when the package
// is not installed.
inline QList<std::pair<QString, QString>> manualPages(const QStringList &mustHold)
{
    QStringList files;
    for (QDirIterator it(QStringLiteral("/usr/share/man/zh_CN"), {QStringLiteral("*.gz")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next();
    files.sort();
    if (files.isEmpty() || tool("gzip").isEmpty())
        return {};
    // One process for all pages, each after a line naming it.
    const QStringList script{QStringLiteral("-c"),
                             QStringLiteral("for f; do printf '\\001%s\\n' \"$f\"; gzip -dc \"$f\"; done"),
                             QStringLiteral("sh")};
    const QByteArray all = runTool(QStringLiteral("sh"), script + files);
    QList<std::pair<QString, QString>> pages;
    for (const QByteArray &part : all.split('\001')) {
        const qsizetype eol = part.indexOf('\n');
        if (eol > 0)
            pages.append({QFileInfo(QString::fromUtf8(part.left(eol))).completeBaseName(),
                          manualText(QString::fromUtf8(part.mid(eol + 1)))});
    }
    std::stable_sort(pages.begin(), pages.end(), [](const auto &a, const auto &b) { return a.second.size() < b.second.size(); });
    QList<std::pair<QString, QString>> chosen;
    QStringList missing = mustHold;
    for (const auto &page : pages) {
        const qsizetype before = missing.size();
        missing.removeIf([&](const QString &s) { return page.second.contains(s); });
        if (missing.size() < before)
            chosen.append(page);
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

inline QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// An open notebook in a temporary folder.
struct TempNotebook
{
    QTemporaryDir dir;
    Notebook db;
    TempNotebook()
    {
        const QString path = dir.filePath(QStringLiteral("测试.qbf"));
        QVERIFY(db.create(path));
        db.open(path);
        QVERIFY(db.isOpen());
    }
    qint64 group(const QString &name)
    {
        const std::optional<qint64> id = Groups(db).add(name);
        if (!id)
            qFatal("Groups::add: %s", qPrintable(db.lastError()));
        return *id;
    }
    qint64 note(qint64 groupId, const QString &title, const QString &body)
    {
        CurrentNote n;
        n.NoteTitle = title;
        n.NoteBody = body;
        n.NotePriority = QStringLiteral("一般");
        n.NoteAddDate = n.NoteLastUpdate = QStringLiteral("2026-12-08 01:00");
        const std::optional<qint64> id = Notes(db).add(groupId, n);
        if (!id)
            qFatal("Notes::add: %s", qPrintable(db.lastError()));
        return *id;
    }
};
