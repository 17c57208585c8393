#pragma once

#include "util/NoteDate.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

// How notes write their dates (util/NoteDate.h), and the editor's date button.
namespace Tools {

// The editor's date button: the short date and the long clock time without its time zone.
QString GeneralDateText(const QDateTime &when, const QLocale &locale = DateLocale());

} // namespace Tools
