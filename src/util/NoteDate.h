#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QtGlobal>

// How notes write their added and updated stamps, and the one reader of a stored stamp: the
// note list sorts by it and search ranks by it, so the two never disagree.
namespace Tools {

// The locale dates are written in: the default (the system's), except that the C/POSIX locale
// (no real locale chosen) writes as a Chinese system does, so a Chinese program shows
// "2026/12/7 22:47" rather than "7 Dec 2026 22:47".
QLocale DateLocale(const QLocale &system = QLocale());

// A note's added and updated stamps: the short date and the clock time as "hh:mm".
QString NoteDateText(const QDateTime &when, const QLocale &locale = DateLocale());
// A stored stamp read back: with the format NoteDateText writes in locale, else as year, month,
// day, hour, minute and second (how older programs wrote it). A two-digit year is taken in the
// hundred years that end twenty years from now. Invalid when it is neither.
QDateTime ParseNoteDate(const QString &text, const QLocale &locale = DateLocale());
// The same as a number that sorts as the dates do; 0, below every date, when it is none.
qint64 NoteDateKey(const QString &text, const QLocale &locale = DateLocale());

} // namespace Tools

// A note's added or updated stamp: the text as stored (what the list shows) and the moment it
// names. The note list sorts by key() and search ranks by it, so the two cannot disagree. The
// text is read (Tools::NoteDateKey under Tools::DateLocale()) only when asked, so listing a group
// never pays for it; whoever compares many keys reads each once.
class NoteStamp
{
public:
    NoteStamp() = default;
    explicit NoteStamp(QString text) : text_(std::move(text)) {}
    const QString &text() const { return text_; }
    // Sorts as the dates do; 0, below every date, for a text that is no date.
    qint64 key() const { return Tools::NoteDateKey(text_); }

private:
    QString text_;
};
