#pragma once

#include "store/CurrentNote.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class DBase;

namespace exchange {

// Longest note title, in characters.
constexpr int MaxTitleLength = 50;

// The extensions, lower case, of the files taken from a folder ("txt", "rtf", "html" ...).
const QStringList &importedExtensions();

// A file as a new note: text (UTF-8 with or without a byte-order mark, UTF-16 with one, else the
// locale's legacy code page), RTF, HTML or Markdown by extension, pictures of HTML and Markdown
// read from beside the file. Title from the file name, dates from the file's times. Nothing,
// with the reason in *error, when the file cannot be read or is not text.
std::optional<CurrentNote> noteFromFile(const QString &path, QString *error);

struct ImportResult
{
    bool ok = false;        // the readable files are in the notebook (or there were none)
    bool cancelled = false; // nothing was added
    QString error;          // why nothing was added
    int imported = 0;
    QStringList failed;     // "file: reason" of each file left out
};

// Files, and the files of folders (sub-folders too, those with a known extension), as new notes of
// the group, all in one transaction. progress is called before each file; false cancels.
ImportResult importFiles(DBase &db, qint64 groupId, const QStringList &paths,
                         const std::function<bool(qint64 done, qint64 total)> &progress = {});

// The message that tells the user about the files left out; "" when there were none.
QString failureSummary(const ImportResult &result);

} // namespace exchange
