// A two-digit year cannot tell 1926 from 2026, and stamps outlive the century.
#include "date_stamp.h"

namespace rolvane {

QString shortDateFormat(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        // Every year field becomes "yyyy"; text in quotes is kept as it is.
        out += (!quoted && c == QLatin1Char('y')) ? QStringLiteral("yyyy") : format.mid(i, run);
        i += run;
    }
    return out;
}

QString dateStamp(const QDate& date, const QLocale& locale) {
    return locale.toString(date, shortDateFormat(locale));
}

} // namespace rolvane
