#include "FileImport.h"

#include "NoteFormats.h"
#include "TextFileCodec.h"

#include "Rtf.h"
#include "settings/DateText.h"
#include "store/DBase.h"
#include "store/Sinks.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringConverter>
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
void embedPictures(QTextDocument *doc, const QDir &dir)
{
    QTextCursor cursor(doc);
    // Backwards: a picture that cannot be read is removed, and the spots after it would move.
    const QList<ImageSpot> spots = imageSpots(doc);
    for (auto it = spots.crbegin(); it != spots.crend(); ++it) {
        const ImageSpot &spot = *it;
        const QUrl url(spot.format.name());
        QString name;
        if (url.isRelative() || url.isLocalFile()) {
            QFile file(url.isLocalFile() ? url.toLocalFile() : dir.filePath(url.path()));
            if (file.open(QIODevice::ReadOnly))
                name = rtf::addPicture(doc, file.readAll());
        }
        cursor.setPosition(spot.position);
        cursor.setPosition(spot.position + spot.length, QTextCursor::KeepAnchor);
        if (name.isEmpty()) {
            cursor.removeSelectedText(); // a picture we cannot show would save as an empty box
            continue;
        }
        QTextImageFormat format = rtf::pictureFormat(doc, name);
        if (spot.format.hasProperty(QTextFormat::ImageWidth) && spot.format.hasProperty(QTextFormat::ImageHeight)) {
            format.setWidth(spot.format.width());
            format.setHeight(spot.format.height());
        }
        cursor.setCharFormat(format);
    }
}

} // namespace

std::optional<CurrentNote> noteFromFile(const QString &path, QString *error)
{
    const std::optional<QByteArray> bytes = readWholeFile(path, error);
    if (!bytes)
        return std::nullopt;
    const Kind kind = kindOf(path);
    if (!(kind == Kind::Rtf && bytes->startsWith("{\\rtf")) && !isPlainText(*bytes)) {
        *error = QStringLiteral("不是文本文件");
        return std::nullopt;
    }
    const QFileInfo info(path);
    CurrentNote note;
    note.NoteTitle = cutTitle(info.completeBaseName());
    const QDateTime born = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    note.NoteAddDate = Tools::NoteDateText(born);
    note.NoteLastUpdate = Tools::NoteDateText(info.lastModified());
    note.NotePriority = QStringLiteral("一般");
    QTextDocument doc;
    if (kind == Kind::Rtf && bytes->startsWith("{\\rtf")) {
        // 7-bit RTF is kept as it came, so a note exported and imported again is the same note.
        if (std::all_of(bytes->cbegin(), bytes->cend(), [](char c) { return uchar(c) < 0x80; })) {
            note.NoteBody = QString::fromLatin1(*bytes);
            return note;
        }
        rtf::readInto(*bytes, &doc);
    } else if (kind == Kind::Html) {
        const auto encoding = QStringConverter::encodingForHtml(*bytes);
        const QString html = encoding ? QStringDecoder(*encoding).decode(*bytes)
                                      : decodeTextFile(*bytes, QLocale());
        doc.setHtml(html);
        embedPictures(&doc, info.dir());
    } else if (kind == Kind::Markdown) {
        doc.setMarkdown(decodeTextFile(*bytes, QLocale()));
        embedPictures(&doc, info.dir());
    } else {
        doc.setPlainText(decodeTextFile(*bytes, QLocale()));
    }
    note.NoteBody = rtf::writeText(&doc);
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

ImportResult importFiles(DBase &db, qint64 groupId, const QStringList &paths,
                         const std::function<bool(qint64, qint64)> &progress)
{
    ImportResult result;
    GroupIds groups;
    db.LoadGroups(groups);
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
        if (std::optional<CurrentNote> note = noteFromFile(files[i], &error))
            notes.push_back(std::move(*note));
        else
            result.failed << QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(files[i]), error);
    }
    if (progress)
        progress(files.size(), files.size());
    if (!notes.empty() && !db.AddNotes(groupId, notes)) {
        result.error = db.lastError();
        return result;
    }
    result.imported = int(notes.size());
    result.ok = true;
    return result;
}

QString failureSummary(const ImportResult &result)
{
    if (result.failed.isEmpty())
        return QString();
    return QStringLiteral("已导入 %1 个文件，以下文件无法导入：\n").arg(result.imported)
        + result.failed.join(QLatin1Char('\n'));
}

} // namespace exchange
