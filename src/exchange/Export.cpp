#include "Export.h"

#include "NoteFormats.h"
#include "NotePages.h"
#include "PdfOutline.h"
#include "PdfTextMap.h"
#include "SafeFileName.h"

#include "rtf/Rtf.h"
#include "store/Groups.h"
#include "store/Notebook.h"
#include "store/Notes.h"
#include "store/Sinks.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace exchange {

std::optional<Format> formatNamed(const QString &name)
{
    static const std::pair<const char *, Format> names[] = {
        {"html", Format::Html}, {"md", Format::Markdown}, {"pdf", Format::Pdf},
        {"txt", Format::Text},  {"rtf", Format::Rtf}};
    for (const auto &[n, f] : names) {
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return f;
    }
    return std::nullopt;
}

namespace {

struct NoteRef
{
    qint64 id = 0;
    QString title;
};

struct GroupRef
{
    qint64 id = 0;
    QString name;
    std::vector<NoteRef> notes;
};

qint64 idOfKey(const QString &key)
{
    return QStringView(key).mid(1).toLongLong();
}

class GroupList : public GroupSink
{
public:
    QString notebook;
    std::vector<GroupRef> groups;
    void clear() override { groups.clear(); }
    void addNode(const QString &parentKey, const QString &key, const QString &text, int, int) override
    {
        if (parentKey.isEmpty())
            notebook = text;
        else
            groups.push_back({idOfKey(key), text, {}});
    }
};

// Titles only: bodies are read one at a time while writing.
class NoteList : public NoteSink
{
public:
    explicit NoteList(qint64 only = 0) : m_only(only) {}
    std::vector<NoteRef> notes;
    void clear() override { notes.clear(); }
    void addItem(const NoteItem &item) override
    {
        const qint64 id = idOfKey(item.key);
        if (m_only == 0 || id == m_only)
            notes.push_back({id, item.title});
    }

private:
    qint64 m_only;
};

} // namespace

QString fileExtension(Format format)
{
    switch (format) {
    case Format::Html: return QStringLiteral(".html");
    case Format::Markdown: return QStringLiteral(".md");
    case Format::Pdf: return QStringLiteral(".pdf");
    case Format::Text: return QStringLiteral(".txt");
    case Format::Rtf: return QStringLiteral(".rtf");
    }
    return QString();
}

namespace {

QByteArray htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray linkTo(const QString &relative)
{
    return QUrl::toPercentEncoding(relative, "/");
}

class Exporter
{
public:
    // fileName: the single note's file, instead of one named after its title.
    Exporter(Notebook &db, Format format, const ExportHooks &hooks, const QString &fileName = QString())
        : m_db(db), m_format(format), m_hooks(hooks), m_fileName(fileName) {}

    ExportResult run(const ExportScope &scope, const QString &folder);
    bool print(const ExportScope &scope, QPagedPaintDevice *device, QString *error);

private:
    bool collect(const ExportScope &scope, QString *title);
    bool notesOf(GroupRef &group);
    bool exportFiles(const QDir &root, bool groupFolders, const QString &title);
    bool exportPdf(const QDir &root, const QString &title);
    bool paint(QPagedPaintDevice *device, QList<OutlineEntry> *outline, PdfTextMap *text = nullptr);
    bool writeNote(const QDir &dir, FolderNames &names, const NoteRef &note, QString *fileName);
    bool mayWrite(const QString &path);
    bool save(const QString &path, const QByteArray &bytes);
    bool makeFolder(const QDir &parent, const QString &name, QDir *out);
    bool step();
    bool fail(const QString &why);

    Notebook &m_db;
    Format m_format;
    ExportHooks m_hooks;
    QString m_fileName;
    ExportResult m_result;
    std::vector<GroupRef> m_groups;
    QString m_rootPath; // canonical path of the chosen folder
    qint64 m_total = 0;
    qint64 m_done = 0;
};

bool Exporter::fail(const QString &why)
{
    m_result.error = why;
    return false;
}

bool Exporter::step()
{
    if (m_hooks.progress && !m_hooks.progress(m_done, m_total)) {
        m_result.cancelled = true;
        return false;
    }
    return true;
}

bool Exporter::notesOf(GroupRef &group)
{
    NoteList list;
    Notes(m_db).list(list, group.id);
    if (!m_db.lastError().isEmpty())
        return fail(m_db.lastError());
    group.notes = std::move(list.notes);
    m_total += qint64(group.notes.size());
    return true;
}

bool Exporter::collect(const ExportScope &scope, QString *title)
{
    GroupList tree;
    Groups(m_db).load(tree);
    if (!m_db.lastError().isEmpty())
        return fail(m_db.lastError());
    if (scope.kind == ExportScope::Note) {
        // The store lists notes by group; the note's group and title come from that listing.
        for (GroupRef &group : tree.groups) {
            NoteList list(scope.id);
            Notes(m_db).list(list, group.id);
            if (!list.notes.empty()) {
                *title = list.notes.front().title;
                group.notes = std::move(list.notes);
                m_total = 1;
                m_groups.push_back(std::move(group));
                return true;
            }
        }
        return fail(QStringLiteral("没有这条记事。"));
    }
    for (GroupRef &group : tree.groups) {
        if (scope.kind == ExportScope::Notebook || group.id == scope.id) {
            *title = group.name;
            m_groups.push_back(std::move(group));
            if (!notesOf(m_groups.back()))
                return false;
        }
    }
    if (scope.kind == ExportScope::Notebook)
        *title = QFileInfo(tree.notebook).completeBaseName();
    else if (m_groups.empty())
        return fail(QStringLiteral("没有这个分组。"));
    return true;
}

bool Exporter::mayWrite(const QString &path)
{
    if (!QFileInfo::exists(path))
        return true;
    const Overwrite answer = m_hooks.overwrite ? m_hooks.overwrite(path) : Overwrite::Skip;
    if (answer == Overwrite::Cancel) {
        m_result.cancelled = true;
        return false;
    }
    if (answer == Overwrite::Skip)
        m_result.kept << path;
    return answer == Overwrite::Replace;
}

// Whole or absent: written under a temporary name beside it, then renamed over it. Unlike
// QSaveFile there is no sync to disk for each file (a 100,000-note export spent four of its five
// minutes waiting for those, and the notes stay safe in the notebook whatever happens to a copy),
// and unlike QTemporaryFile no private mode to undo.
bool Exporter::save(const QString &path, const QByteArray &bytes)
{
    QFile file;
    for (int attempt = 0; attempt < 100 && !file.isOpen(); ++attempt) {
        file.setFileName(path + QStringLiteral(".~") + QString::number(QRandomGenerator::global()->generate(), 36));
        // NewOnly: never a file that is there already, whoever made it.
        file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }
    const bool opened = file.isOpen();
    const bool written = opened && file.write(bytes) == bytes.size() && file.flush();
    const QString why = file.errorString();
    file.close();
    if (written && std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) == 0) {
        m_result.written << path;
        return true;
    }
    const QString reason = written ? QString::fromLocal8Bit(std::strerror(errno)) : why;
    if (opened)
        file.remove();
    return fail(QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), reason));
}

bool Exporter::makeFolder(const QDir &parent, const QString &name, QDir *out)
{
    if (!parent.mkpath(name))
        return fail(QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(parent.filePath(name))));
    // A folder that was already there may be a link leading elsewhere; follow none out.
    const QString canonical = QFileInfo(parent.filePath(name)).canonicalFilePath();
    if (canonical != m_rootPath && !canonical.startsWith(m_rootPath + QLatin1Char('/')))
        return fail(QStringLiteral("%1 指向所选文件夹之外。").arg(QDir::toNativeSeparators(parent.filePath(name))));
    *out = QDir(canonical);
    return true;
}

bool Exporter::writeNote(const QDir &dir, FolderNames &names, const NoteRef &note, QString *fileName)
{
    *fileName = m_fileName.isEmpty() ? names.take(note.title, fileExtension(m_format)) : m_fileName;
    const QString path = dir.filePath(*fileName);
    const QString body = Notes(m_db).body(note.id);
    if (!m_db.lastError().isEmpty())
        return fail(m_db.lastError());
    if (!mayWrite(path))
        return !m_result.cancelled;
    const QByteArray stored = body.toUtf8();
    const bool plainRtf = stored.startsWith("{\\rtf")
        && std::all_of(stored.cbegin(), stored.cend(), [](char c) { return uchar(c) < 0x80; });
    if (m_format == Format::Rtf && plainRtf)
        return save(path, stored); // the stored body, byte for byte
    QTextDocument doc;
    rtf::readInto(body, &doc);
    if (m_format == Format::Rtf)
        return save(path, rtf::write(&doc)); // plain text or 8-bit bodies, as word processors read RTF
    if (m_format == Format::Text)
        return save(path, textOf(&doc));
    // Pictures go into a folder named after the page; the page's name is already unique.
    const QString pictureFolder = QFileInfo(*fileName).completeBaseName() + QStringLiteral("_files");
    const QList<PictureFile> pictures = detachPictures(&doc, pictureFolder);
    if (!pictures.isEmpty()) {
        QDir folder;
        if (!makeFolder(dir, pictureFolder, &folder))
            return false;
        for (const PictureFile &picture : pictures) {
            if (!save(folder.filePath(picture.name), picture.bytes))
                return false;
        }
    }
    return save(path, m_format == Format::Html ? htmlOf(&doc, note.title) : markdownOf(&doc));
}

bool Exporter::exportFiles(const QDir &root, bool groupFolders, const QString &title)
{
    FolderNames rootNames;
    if (m_format == Format::Html && groupFolders)
        rootNames.take(QStringLiteral("index"), QStringLiteral(".html"));
    QByteArray index = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + htmlEscaped(title)
        + "</title></head><body>\n<h1>" + htmlEscaped(title) + "</h1>\n";
    const bool oneGroup = !groupFolders;
    for (const GroupRef &group : m_groups) {
        QDir dir = root;
        FolderNames groupNames;
        FolderNames &names = oneGroup ? rootNames : groupNames;
        QString folderName;
        if (!oneGroup) {
            folderName = rootNames.take(group.name, QString());
            if (!makeFolder(root, folderName, &dir))
                return false;
            index += "<h2>" + htmlEscaped(group.name) + "</h2>\n";
        }
        index += "<ul>\n";
        for (const NoteRef &note : group.notes) {
            if (!step())
                return false;
            QString fileName;
            if (!writeNote(dir, names, note, &fileName))
                return false;
            ++m_done;
            const QString link = oneGroup ? fileName : folderName + QLatin1Char('/') + fileName;
            index += "<li><a href=\"" + linkTo(link) + "\">" + htmlEscaped(note.title) + "</a></li>\n";
        }
        index += "</ul>\n";
    }
    index += "</body></html>\n";
    if (m_format == Format::Html && groupFolders) {
        const QString path = root.filePath(QStringLiteral("index.html"));
        if (mayWrite(path)) {
            if (!save(path, index))
                return false;
        } else if (m_result.cancelled) {
            return false;
        }
    }
    return step();
}

bool Exporter::exportPdf(const QDir &root, const QString &title)
{
    FolderNames names;
    const QString path = root.filePath(m_fileName.isEmpty() ? names.take(title, QStringLiteral(".pdf")) : m_fileName);
    if (!mayWrite(path))
        return !m_result.cancelled;
    // Written aside first: the bookmarks go after what the PDF writer wrote, and only a whole
    // file takes the place of the name.
    QTemporaryFile draft(root.filePath(QStringLiteral(".quillbook-XXXXXX.pdf")));
    if (!draft.open())
        return fail(QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(root.path()), draft.errorString()));
    QList<OutlineEntry> outline;
    PdfTextMap text;
    {
        QPdfWriter pdf(&draft);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Quillbook"));
        pdf.setResolution(300);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        if (!paint(&pdf, &outline, &text))
            return false;
    }
    if (!draft.flush() || !draft.seek(0))
        return fail(draft.errorString());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    const uchar *mapped = draft.map(0, draft.size());
    if (!mapped)
        return fail(draft.errorString());
    const QByteArray written = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), draft.size());
    const QByteArray update = outlineUpdate(written, outline, text.corrections());
    if (file.write(written) != written.size() || file.write(update) != update.size() || !file.commit())
        return fail(QStringLiteral("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    m_result.written << path;
    return step();
}

bool Exporter::paint(QPagedPaintDevice *device, QList<OutlineEntry> *outline, PdfTextMap *text)
{
    NotePages pages(device, text);
    if (!pages.isActive())
        return fail(QStringLiteral("无法在页面上绘制。"));
    for (const GroupRef &group : m_groups) {
        for (const NoteRef &note : group.notes) {
            if (!step())
                return false;
            const QString body = Notes(m_db).body(note.id);
            if (!m_db.lastError().isEmpty())
                return fail(m_db.lastError());
            outline->append({note.title, pages.add(note.title, body)});
            ++m_done;
        }
    }
    pages.finish();
    return true;
}

bool Exporter::print(const ExportScope &scope, QPagedPaintDevice *device, QString *error)
{
    QString title;
    QList<OutlineEntry> outline;
    const bool ok = collect(scope, &title) && paint(device, &outline);
    *error = m_result.error;
    return ok;
}

ExportResult Exporter::run(const ExportScope &scope, const QString &folder)
{
    QString title;
    QDir root;
    if (!QDir().mkpath(folder)) {
        fail(QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder)));
        return m_result;
    }
    m_rootPath = QFileInfo(folder).canonicalFilePath();
    root = QDir(m_rootPath);
    if (collect(scope, &title)) {
        if (m_format == Format::Pdf)
            m_result.ok = exportPdf(root, title);
        else
            m_result.ok = exportFiles(root, scope.kind != ExportScope::Note, title);
    }
    if (m_result.cancelled)
        m_result.ok = m_result.error.isEmpty();
    return m_result;
}

} // namespace

ExportResult exportNotes(Notebook &db, const ExportScope &scope, Format format, const QString &folder,
                         const ExportHooks &hooks)
{
    Exporter exporter(db, format, hooks);
    return exporter.run(scope, folder);
}

ExportResult exportNoteTo(Notebook &db, qint64 noteId, Format format, const QString &file,
                          const ExportHooks &hooks)
{
    const QFileInfo target(file);
    Exporter exporter(db, format, hooks, target.fileName());
    return exporter.run({ExportScope::Note, noteId}, target.absolutePath());
}

} // namespace exchange

namespace exchange {

bool printNotes(Notebook &db, const ExportScope &scope, QPagedPaintDevice *device, QString *error,
                const std::function<bool(qint64, qint64)> &progress)
{
    ExportHooks hooks;
    hooks.progress = progress;
    Exporter exporter(db, Format::Pdf, hooks);
    return exporter.print(scope, device, error);
}

} // namespace exchange
