#pragma once

#include "base/CurrentNote.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Notebook;

namespace exchange {

// Longest note title, in characters.
constexpr int MaxTitleLength = 50;

// The extensions, lower case, of the files taken from a folder ("txt", "rtf", "html" ...).
const QStringList &importedExtensions();

// A file as a new note: text (UTF-8 with or without a byte-order mark, UTF-16 with one, or
// GB18030), RTF, HTML or Markdown by extension, pictures of HTML and Markdown read from the
// page's folder and below. Title from the file name, dates from the file's times. Nothing, with
// the reason in *error, when the file cannot be read, is too big, or its content is not of its
// type; the pictures and stylesheets of a page left out are added to *skipped ("address：reason").
std::optional<CurrentNote> noteFromFile(const QString &path, QString *error, QStringList *skipped = nullptr);

struct ImportResult
{
    bool ok = false;        // the readable files are in the notebook (or there were none)
    bool cancelled = false; // nothing was added
    QString error;          // why nothing was added
    int imported = 0;
    qint64 lastId = 0;      // of the last note added
    QStringList failed;     // "file：reason" of each file left out
    QStringList skipped;    // "file：略过 address：reason" of each picture or stylesheet left out
};

// Files, and the files of folders (sub-folders too, those with a known extension), as new notes of
// the group, all in one transaction. progress is called before each file; false cancels.
ImportResult importFiles(Notebook &db, qint64 groupId, const QStringList &paths,
                         const std::function<bool(qint64 done, qint64 total)> &progress = {});

// What an import did: how many notes it added, the files left out and what of them was skipped.
QString importSummary(const ImportResult &result);

} // namespace exchange
