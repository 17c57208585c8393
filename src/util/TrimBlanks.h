#pragma once

#include <QString>

namespace Tools {

// Removes leading and trailing blanks: the space character only, so tabs and other white space
// that a user typed or pasted stay.
QString TrimBlanks(const QString &text);

} // namespace Tools
