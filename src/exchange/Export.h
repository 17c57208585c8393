#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

class Notebook;
class QPagedPaintDevice;

namespace exchange {

enum class Format { Html, Markdown, Pdf, Text, Rtf };

// "html", "md", "pdf", "txt", "rtf".
std::optional<Format> formatNamed(const QString &name);
// The extension of the format's files, with its dot: ".html".
QString fileExtension(Format format);

// What to export: one note, one group, or every group of the notebook.
struct ExportScope
{
    enum Kind { Note, Group, Notebook };
    Kind kind = Notebook;
    qint64 id = 0; // the note's or the group's ID
};

enum class Overwrite { Replace, Skip, Cancel };

struct ExportHooks
{
    // Asked before an existing file is replaced; without it existing files are kept.
    std::function<Overwrite(const QString &path)> overwrite;
    // Called before each note and once at the end; returning false cancels.
    std::function<bool(qint64 done, qint64 total)> progress;
};

struct ExportResult
{
    bool ok = false;        // finished without an error (a cancel is not an error)
    bool cancelled = false;
    QString error;
    QStringList written;    // every file written, in order
    QStringList kept;       // existing files left as they were
};

// Writes the scope into folder (created when missing); nothing is written outside it, and every
// file is complete or absent. Layout: a note gives "标题.ext" (HTML and Markdown with their
// pictures in "标题_files/"); a group or the notebook a folder per group, and for HTML an
// index.html linking every note. PDF is always one file, each note from a new page under its
// title, the titles also as bookmarks.
ExportResult exportNotes(Notebook &db, const ExportScope &scope, Format format, const QString &folder,
                         const ExportHooks &hooks);

// Writes one note to exactly the file named; HTML and Markdown put its pictures in
// "name_files/" beside it.
ExportResult exportNoteTo(Notebook &db, qint64 noteId, Format format, const QString &file,
                          const ExportHooks &hooks);

} // namespace exchange

namespace exchange {

// Paints the scope's notes on a printer's pages, each note from a new page under its title. False, with the
// reason in *error, when a note could not be read or the device not be painted on; false with
// no reason when progress cancelled (the pages so far are painted).
bool printNotes(Notebook &db, const ExportScope &scope, QPagedPaintDevice *device, QString *error,
                const std::function<bool(qint64 done, qint64 total)> &progress = {});

} // namespace exchange
