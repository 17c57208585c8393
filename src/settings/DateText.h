#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// How notes write their dates, and how the list reads them back for sorting.
namespace Tools {

// The locale dates are written in: the system's, except that the C/POSIX locale (no real
// locale chosen) writes as a Chinese system does, so a Chinese program shows "2026/12/7 22:47"
// rather than "7 Dec 2026 22:47".
QLocale DateLocale(const QLocale &system = QLocale::system());

// A note's added and updated stamps: the short date and the clock time as "hh:mm".
QString NoteDateText(const QDateTime &when, const QLocale &locale = DateLocale());
// The stamp read back with the format that NoteDateText writes; invalid when it does not parse.
QDateTime ParseNoteDate(const QString &text, const QLocale &locale = DateLocale());

// The editor's date button: the short date and the long clock time without its time zone.
QString GeneralDateText(const QDateTime &when, const QLocale &locale = DateLocale());

} // namespace Tools
