#include "settings/DateText.h"

namespace Tools {

namespace {

const QString kClock = QStringLiteral("hh:mm");

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
    return locale.toDateTime(text.trimmed(), locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + kClock);
}

QString GeneralDateText(const QDateTime &when, const QLocale &locale)
{
    // The long time format may name the time zone ("t"); a note wants the clock time only.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString clock;
    bool quoted = false;
    for (const QChar ch : format) {
        if (ch == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && ch == QLatin1Char('t'))
            continue;
        clock.append(ch);
    }
    clock = clock.trimmed();
    if (clock.isEmpty())
        clock = QStringLiteral("HH:mm:ss");
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(when.time(), clock).trimmed();
}

} // namespace Tools
