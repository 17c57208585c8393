#include "FileImport.h"

#include "HtmlDepth.h"
#include "ImportedPage.h"
#include "NoteFormats.h"
#include "TextFileCodec.h"

#include "rtf/Rtf.h"
#include "rtf/RtfPicture.h"
#include "settings/DateText.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/Sinks.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringConverter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace exchange {

const QStringList &importedExtensions()
{
    static const QStringList known{QStringLiteral("txt"), QStringLiteral("text"), QStringLiteral("rtf"),
                                   QStringLiteral("html"), QStringLiteral("htm"), QStringLiteral("md"),
                                   QStringLiteral("markdown")};
    return known;
}

namespace {

enum class Kind { Text, Rtf, Html, Markdown };

Kind kindOf(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("rtf"))
        return Kind::Rtf;
    if (ext == QLatin1String("html") || ext == QLatin1String("htm"))
        return Kind::Html;
    if (ext == QLatin1String("md") || ext == QLatin1String("markdown"))
        return Kind::Markdown;
    return Kind::Text;
}

bool knownExtension(const QString &path)
{
    return importedExtensions().contains(QFileInfo(path).suffix().toLower());
}

QString cutTitle(const QString &name)
{
    if (name.size() <= MaxTitleLength)
        return name;
    // Never half of a surrogate pair.
    qsizetype n = MaxTitleLength;
    if (name[n - 1].isHighSurrogate())
        --n;
    return name.left(n);
}

// Pictures of an HTML or Markdown page are files beside it; they become pictures of the note.
void embedPictures(ImportedPage *page)
{
    QTextCursor cursor(page);
    // Backwards: a picture that cannot be read is removed, and the spots after it would move.
    const QList<ImageSpot> spots = imageSpots(page);
    for (auto it = spots.crbegin(); it != spots.crend(); ++it) {
        const ImageSpot &spot = *it;
        QString name;
        if (const std::optional<QByteArray> bytes = page->readResource(QUrl(spot.format.name()), rtf::kMaxPictureBytes))
            name = rtf::addPicture(page, *bytes);
        cursor.setPosition(spot.position);
        cursor.setPosition(spot.position + spot.length, QTextCursor::KeepAnchor);
        if (name.isEmpty()) {
            cursor.removeSelectedText(); // a picture we cannot show would save as an empty box
            continue;
        }
        QTextImageFormat format = rtf::pictureFormat(page, name);
        if (spot.format.hasProperty(QTextFormat::ImageWidth) && spot.format.hasProperty(QTextFormat::ImageHeight)) {
            format.setWidth(spot.format.width());
            format.setHeight(spot.format.height());
        }
        cursor.setCharFormat(format);
    }
}

// Headings (and HTML's <big>, <font size>) are sized relative to the document's font, which the
// note does not keep: they get the size they are shown at now.
void fixRelativeSizes(QTextDocument *doc)
{
    QTextCursor cursor(doc);
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(QTextFormat::FontSizeAdjustment) || format.hasProperty(QTextFormat::FontPointSize))
                continue;
            // The format's font is the document's, scaled by the adjustment.
            QTextCharFormat size;
            size.setFontPointSize(format.font().pointSizeF());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(size);
        }
    }
}

// Tables, strike-through and task lists. Inline HTML is read as text: Qt's reader drops what
// follows a tag it does not know, and a note keeps every character of the file. Bare addresses
// ("http://..." in running text) stay text too: read as links, they would keep the backslashes
// that escape characters in them.
QTextDocument::MarkdownFeatures markdownFeatures()
{
    // md4c's flags, which Qt's feature values are: permissive URL, e-mail and www links.
    constexpr int permissiveLinks = 0x0004 | 0x0008 | 0x0400;
    return QTextDocument::MarkdownFeatures(
        (QTextDocument::MarkdownDialectGitHub | QTextDocument::MarkdownNoHTML) & ~permissiveLinks);
}

// The page's text: as its <meta> says, else as any text file.
std::optional<QString> htmlText(const QByteArray &bytes, QString *why)
{
    const auto encoding = QStringConverter::encodingForHtml(bytes);
    const bool wide = encoding && *encoding != QStringConverter::Latin1 && *encoding != QStringConverter::System;
    // NUL bytes are refused there too, unless the page says it is UTF-16 or UTF-32.
    if (!encoding || *encoding == QStringConverter::Utf8 || (!wide && bytes.contains('\0')))
        return decodeTextStrictly(bytes, QLocale(), why);
    return QStringDecoder(*encoding).decode(bytes);
}

} // namespace

std::optional<CurrentNote> noteFromFile(const QString &path, QString *error, QStringList *skipped)
{
    const std::optional<QByteArray> bytes = readWholeFile(path, error);
    if (!bytes)
        return std::nullopt;
    const Kind kind = kindOf(path);
    std::optional<QString> text;
    if (kind == Kind::Rtf) {
        if (!bytes->startsWith("{\\rtf")) {
            *error = QStringLiteral("不是 RTF 文件（开头不是 {\\rtf）");
            return std::nullopt;
        }
    } else {
        text = kind == Kind::Html ? htmlText(*bytes, error) : decodeTextStrictly(*bytes, QLocale(), error);
        if (!text)
            return std::nullopt;
    }
    const QFileInfo info(path);
    CurrentNote note;
    note.NoteTitle = cutTitle(info.completeBaseName());
    const QDateTime born = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    note.NoteAddDate = Tools::NoteDateText(born);
    note.NoteLastUpdate = Tools::NoteDateText(info.lastModified());
    note.NotePriority = QStringLiteral("一般");
    if (kind == Kind::Rtf) {
        // 7-bit RTF is kept as it came, so a note exported and imported again is the same note.
        if (std::all_of(bytes->cbegin(), bytes->cend(), [](char c) { return uchar(c) < 0x80; })) {
            note.NoteBody = QString::fromLatin1(*bytes);
            return note;
        }
        QTextDocument doc;
        rtf::readInto(*bytes, &doc);
        note.NoteBody = rtf::writeText(&doc);
        return note;
    }
    ImportedPage page(info.dir());
    if (kind == Kind::Text) {
        // Kept as plain text, as notes of old notebooks are: its RTF would take up to eight bytes
        // a character and seconds to write for a large file. Unless it would be read as RTF.
        if (!QStringView(*text).trimmed().startsWith(QLatin1String("{\\rtf"))) {
            note.NoteBody = *text;
            return note;
        }
        page.setPlainText(*text);
        note.NoteBody = rtf::writeText(&page);
        return note;
    }
    if (kind == Kind::Html) {
        page.setHtml(flattenDeepHtml(*text));
    } else {
        page.setMarkdown(*text, markdownFeatures());
    }
    embedPictures(&page);
    fixRelativeSizes(&page);
    if (skipped)
        *skipped << page.skipped();
    note.NoteBody = rtf::writeText(&page);
    return note;
}

namespace {

class GroupIds : public GroupSink
{
public:
    QList<qint64> ids;
    void clear() override { ids.clear(); }
    void addNode(const QString &parentKey, const QString &key, const QString &, int, int) override
    {
        if (!parentKey.isEmpty())
            ids << QStringView(key).mid(1).toLongLong();
    }
};

} // namespace

ImportResult importFiles(Notebook &db, qint64 groupId, const QStringList &paths,
                         const std::function<bool(qint64, qint64)> &progress)
{
    ImportResult result;
    GroupIds groups;
    Groups(db).load(groups);
    if (!groups.ids.contains(groupId)) {
        result.error = db.lastError().isEmpty() ? QStringLiteral("没有这个分组。") : db.lastError();
        return result;
    }
    QStringList files;
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        QStringList found;
        QDirIterator it(path, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (knownExtension(file))
                found << file;
        }
        found.sort();
        files << found;
    }
    std::vector<CurrentNote> notes;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (progress && !progress(i, files.size())) {
            result.cancelled = true;
            return result;
        }
        QString error;
        QStringList skipped;
        const QString shown = QDir::toNativeSeparators(files[i]);
        if (std::optional<CurrentNote> note = noteFromFile(files[i], &error, &skipped))
            notes.push_back(std::move(*note));
        else
            result.failed << QStringLiteral("%1：%2").arg(shown, error);
        for (const QString &what : std::as_const(skipped))
            result.skipped << QStringLiteral("%1：略过 %2").arg(shown, what);
    }
    if (progress)
        progress(files.size(), files.size());
    if (!notes.empty()) {
        const std::optional<qint64> last = Notes(db).addAll(groupId, notes);
        if (!last) {
            result.error = db.lastError();
            return result;
        }
        result.lastId = *last;
    }
    result.imported = int(notes.size());
    result.ok = true;
    return result;
}

QString importSummary(const ImportResult &result)
{
    QString text = QStringLiteral("已导入 %1 篇记事。").arg(result.imported);
    if (!result.failed.isEmpty())
        text += QStringLiteral("\n\n以下文件没有导入：\n") + result.failed.join(QLatin1Char('\n'));
    if (!result.skipped.isEmpty())
        text += QStringLiteral("\n\n以下图片或样式没有导入：\n") + result.skipped.join(QLatin1Char('\n'));
    return text;
}

} // namespace exchange
