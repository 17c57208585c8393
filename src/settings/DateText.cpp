#include "settings/DateText.h"

namespace Tools {

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
