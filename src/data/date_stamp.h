// The text Update writes into "Last Update": the user's short date form, with a four-digit year.
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace rolvane {

// The locale's short date format with its year widened to four digits ("M/d/yy" gives "M/d/yyyy").
QString shortDateFormat(const QLocale& locale);
QString dateStamp(const QDate& date, const QLocale& locale = QLocale::system());

} // namespace rolvane
