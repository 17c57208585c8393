#pragma once

#include <QString>
#include <functional>

// Converting an old Jet 4.0 notebook into a new notebook beside it. The old file is only ever
// read, from a private copy; the new one appears complete or not at all.
struct ConversionResult
{
    bool ok = false;
    QString newPath;  // the notebook written, when ok
    QString message;  // for the user, when not ok
};

// The first free name beside jetPath: "notes.qbf" gives "notes-quillbook.qbf", then
// "notes-quillbook-2.qbf" and so on; never an existing file.
QString conversionTargetFor(const QString &jetPath);

// progress(done, total) is called while reading (total 0 = unknown) and once more when done.
ConversionResult convertLegacyNotebook(const QString &jetPath,
                                       const std::function<void(qint64 done, qint64 total)> &progress = {});
