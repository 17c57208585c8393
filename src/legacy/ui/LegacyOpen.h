#pragma once

#include <QString>

class Prompter;
class QWidget;

// What opening a file that is not one of our notebooks came to.
struct LegacyOpenResult
{
    enum Outcome {
        NotLegacy, // not an old notebook: the caller's usual "damaged file" path applies
        Converted, // a new notebook was written at newPath; open that one
        Declined,  // the user said no; nothing was written
        Failed     // the conversion failed and the user was told why; nothing was written
    } outcome = NotLegacy;
    QString newPath;
};

// Offers to convert an old Jet 4.0 notebook at path, converts it with a progress dialog when the
// user agrees, and tells the user where the new notebook is. Never changes the file at path.
LegacyOpenResult offerLegacyConversion(QWidget *parent, Prompter &prompter, const QString &path);
