#include "util/NoteDate.h"

#include <QRegularExpression>

#include <iterator>
#include <vector>

namespace Tools {

namespace {

const QString kClock = QStringLiteral("hh:mm");

bool twoDigitYear(const QString &format)
{
    return format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
}

// Qt reads "yy" as 19yy; a note written in 2030 under such a format says "30".
QDate inCentury(const QDate &read)
{
    const int twoDigits = read.year() % 100;
    const int latest = QDate::currentDate().year() + 20;
    int year = latest - latest % 100 + twoDigits;
    if (year > latest)
        year -= 100;
    return read.addYears(year - read.year());
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

// A locale's stamp format when it is numbers between fixed separators (its short date and the
// clock), read field by field: Qt's general parser costs tens of microseconds a stamp, seconds
// for the sort of a hundred thousand notes. Only what that parser surely reads the same is taken
// here (two or four digits for a field of as many letters, one or two for "d" and "M", every
// separator as written, a date and time that exist); anything else is left to it.
class NumericFormat
{
public:
    NumericFormat() = default;
    explicit NumericFormat(const QLocale &locale) : locale_(locale), format_(stampFormat(locale))
    {
        static const QLatin1String names[] = {QLatin1String("yyyy"), QLatin1String("yy"), QLatin1String("MM"),
                                              QLatin1String("M"),    QLatin1String("dd"), QLatin1String("d"),
                                              QLatin1String("hh"),   QLatin1String("mm")};
        static const Field kinds[] = {{Year, 4, 4, {}}, {Year, 2, 2, {}}, {Month, 2, 2, {}}, {Month, 1, 2, {}},
                                      {Day, 2, 2, {}},  {Day, 1, 2, {}},  {Hour, 2, 2, {}},  {Minute, 2, 2, {}}};
        if (locale.zeroDigit() != QLatin1String("0"))
            return; // a locale of other digits writes them
        const QStringView f(format_);
        for (qsizetype i = 0; i < f.size();) {
            std::size_t k = 0;
            while (k < std::size(names) && !f.sliced(i).startsWith(names[k]))
                ++k;
            if (k < std::size(names)) {
                const qsizetype end = i + names[k].size();
                // A longer run of the letter ("ddd") is a name; two fields need a separator between.
                if ((end < f.size() && f[end] == names[k][0]) || (!fields_.empty() && fields_.back().after.isEmpty()))
                    return;
                fields_.push_back(kinds[k]);
                i = end;
            } else if (f[i].isLetter() || f[i] == QLatin1Char('\'') || fields_.empty()) {
                return; // a name, quoted text, or a separator before any field
            } else {
                fields_.back().after += f[i++];
            }
        }
        usable_ = !fields_.empty();
        twoDigitYear_ = twoDigitYear(format_);
    }

    static QString stampFormat(const QLocale &locale)
    {
        return locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + kClock;
    }
    const QLocale &locale() const { return locale_; }
    const QString &format() const { return format_; }

    // False when text is not written in this format.
    bool read(QStringView text, QDate &date, QTime &time) const
    {
        if (!usable_)
            return false;
        int values[5] = {0, 1, 1, 0, 0}; // by What
        qsizetype at = 0;
        for (const Field &field : fields_) {
            int digits = 0, value = 0;
            while (digits < field.most && at < text.size() && text[at] >= QLatin1Char('0') && text[at] <= QLatin1Char('9')) {
                value = value * 10 + (text[at].unicode() - '0');
                ++digits;
                ++at;
            }
            if (digits < field.least || !text.sliced(at).startsWith(field.after))
                return false;
            at += field.after.size();
            values[field.what] = value;
        }
        // As Qt reads it (19yy for "yy"), then in its century.
        date = QDate(twoDigitYear_ ? 1900 + values[Year] : values[Year], values[Month], values[Day]);
        time = QTime(values[Hour], values[Minute]);
        if (at != text.size() || !date.isValid() || !time.isValid())
            return false;
        if (twoDigitYear_)
            date = inCentury(date);
        return true;
    }

private:
    enum What { Year, Month, Day, Hour, Minute };
    struct Field
    {
        What what;
        int least, most; // digits
        QString after;   // the separator that follows
    };
    QLocale locale_;
    QString format_;
    std::vector<Field> fields_;
    bool usable_ = false;
    bool twoDigitYear_ = false;
};

// The reader of locale's stamps, made once per thread and locale: a search on a worker ranks by
// these dates while the list sorts.
const NumericFormat &numericFormat(const QLocale &locale)
{
    thread_local NumericFormat numeric;
    if (numeric.format().isEmpty() || numeric.locale() != locale)
        numeric = NumericFormat(locale);
    return numeric;
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
    const NumericFormat &numeric = numericFormat(locale);
    QDate date;
    QTime time;
    if (numeric.read(trimmed, date, time))
        return QDateTime(date, time);
    const QDateTime when = locale.toDateTime(trimmed, numeric.format());
    if (!when.isValid())
        return yearFirst(trimmed);
    return twoDigitYear(numeric.format()) ? QDateTime(inCentury(when.date()), when.time()) : when;
}

qint64 NoteDateKey(const QString &text, const QLocale &locale)
{
    QDate d;
    QTime t;
    // Most stamps are read without a QDateTime, whose local time costs a look at the time zone.
    if (!numericFormat(locale).read(QStringView(text).trimmed(), d, t)) {
        const QDateTime when = ParseNoteDate(text, locale);
        if (!when.isValid())
            return 0;
        d = when.date();
        t = when.time();
    }
    if (d.year() < 1)
        return 0;
    // The digits of yyyyMMddhhmmss: what the index kept for year-first stamps before.
    return ((((qint64(d.year()) * 100 + d.month()) * 100 + d.day()) * 100 + t.hour()) * 100 + t.minute()) * 100
           + t.second();
}

} // namespace Tools
