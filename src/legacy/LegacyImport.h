#pragma once

#include "legacy/LegacyNotebook.h"

#include <QString>
#include <functional>

// Converting an old Jet 4.0 notebook into a new notebook beside it. The old file is only ever
// read, from a private copy; the new one appears complete or not at all.
struct ConversionResult
{
    bool ok = false;
    bool declined = false; // a damaged file: the user chose not to keep what could be read
    QString newPath;       // the notebook written, when ok
    QString message;       // for the user, when not ok
    LegacyDamage damage;   // what the notebook at newPath lacks, when ok
};

// The first free name beside jetPath: "notes.qbf" gives "notes-quillbook.qbf", then
// "notes-quillbook-2.qbf" and so on; never an existing file.
QString conversionTargetFor(const QString &jetPath);

// What could not be read of a damaged old notebook, for the user: one line per note or group read
// in part (ID and title when known), then the counts of those lost whole.
QString describeDamage(const LegacyDamage &damage);

// progress(done, total) is called while reading (total 0 = unknown) and once more when done.
// When the old file could not be read whole, keepPartial(damage) decides whether a notebook of
// what could be read is written; without it nothing is.
ConversionResult convertLegacyNotebook(const QString &jetPath,
                                       const std::function<void(qint64 done, qint64 total)> &progress = {},
                                       const std::function<bool(const LegacyDamage &)> &keepPartial = {});
