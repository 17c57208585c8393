#include "util/NoteDate.h"

#include <QRegularExpression>

namespace Tools {

namespace {

const QString kClock = QStringLiteral("hh:mm");

// Qt reads "yy" as 19yy; a note written in 2030 under such a format says "30".
QDateTime inCentury(QDateTime when, const QString &format)
{
    if (format.contains(QLatin1String("yyyy")) || !format.contains(QLatin1String("yy")))
        return when;
    const int twoDigits = when.date().year() % 100;
    const int latest = QDate::currentDate().year() + 20;
    int year = latest - latest % 100 + twoDigits;
    if (year > latest)
        year -= 100;
    return QDateTime(when.date().addYears(year - when.date().year()), when.time());
}

QDateTime yearFirst(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    int parts[6] = {};
    int n = 0;
    for (auto it = digits.globalMatch(text); it.hasNext() && n < 6; ++n) {
        const QRegularExpressionMatch m = it.next();
        if (n == 0 && m.capturedLength() != 4)
            return {};
        parts[n] = m.capturedView().left(4).toInt();
    }
    if (n < 3)
        return {};
    const QDate date(parts[0], parts[1], parts[2]);
    const QTime time(parts[3], parts[4], parts[5]);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

} // namespace

QLocale DateLocale(const QLocale &system)
{
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Chinese, QLocale::China);
    return system;
}

QString NoteDateText(const QDateTime &when, const QLocale &locale)
{
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') + when.time().toString(kClock);
}

QDateTime ParseNoteDate(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    const QString format = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + kClock;
    const QDateTime when = locale.toDateTime(trimmed, format);
    return when.isValid() ? inCentury(when, format) : yearFirst(trimmed);
}

qint64 NoteDateKey(const QString &text, const QLocale &locale)
{
    const QDateTime when = ParseNoteDate(text, locale);
    if (!when.isValid() || when.date().year() < 1)
        return 0;
    const QDate d = when.date();
    const QTime t = when.time();
    // The digits of yyyyMMddhhmmss: what the index kept for year-first stamps before.
    return ((((qint64(d.year()) * 100 + d.month()) * 100 + d.day()) * 100 + t.hour()) * 100 + t.minute()) * 100
           + t.second();
}

} // namespace Tools
