#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

class QWidget;

namespace Tools {

// Applies a font string to a sample label, the group tree or the note list. Parts of the string
// that are missing or unusable are skipped; nothing is reported.
// - a QLabel also gets the caption "name,size" and, from a seven-field string, its text colour;
// - every control gets the face, size and styles;
// - when `setNodeColor` is given (the group tree), it receives the colour of a seven-field string,
//   or 0 for any other field count.
void ApplyFontString(const QString &fontString, QWidget *control,
                     const std::function<void(qint32)> &setNodeColor = {});

} // namespace Tools
