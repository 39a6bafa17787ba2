// SPDX-License-Identifier: GPL-3.0-or-later
// One line, rewritten in place with a carriage return, never more often than every 1,024 contacts.
#include "progress_meter.h"

#include <cstdio>
#include <unistd.h>

namespace rolvane::tool {

ProgressMeter::ProgressMeter(const char* verb) : verb_(verb), enabled_(isatty(2) == 1) {}

void ProgressMeter::clear() {
    if (shown_)
        std::fputs("\r\033[K", stderr);
    shown_ = false;
}

void ProgressMeter::show(long long done, int percent) {
    shown_ = true;
    const QByteArray count = groupedNumber(done).toUtf8();
    if (percent >= 0)
        std::fprintf(stderr, "\r%s: %s contacts (%d%%)", verb_, count.constData(), percent);
    else
        std::fprintf(stderr, "\r%s: %s contacts", verb_, count.constData());
    std::fflush(stderr);
}

QString groupedNumber(long long n) {
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace rolvane::tool
