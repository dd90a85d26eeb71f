#include "local_date.h"

#include <ctime>

namespace {

// Digits by hand: strftime parses its format and asks the locale for every
// date, which cost more than the conversion to local time.
char *put_two(char *at, int value)
{
    *at++ = static_cast<char>('0' + value / 10);
    *at++ = static_cast<char>('0' + value % 10);
    return at;
}

// At least four digits, as %Y writes them.
char *put_year(char *at, long long year)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + year % 10);
        year /= 10;
    } while (year > 0 || n < 4);
    while (n > 0)
        *at++ = digits[--n];
    return at;
}

QString local_text(qint64 seconds, bool with_time)
{
    // 0 is how every engine says "no date": shown as 1970-01-01 it would
    // read as a real one.
    if (seconds <= 0)
        return QString();
    const time_t when = static_cast<time_t>(seconds);
    struct tm local {};
    if (static_cast<qint64>(when) != seconds || !localtime_r(&when, &local))
        return QString();
    char text[48];
    char *at = put_year(text, static_cast<long long>(local.tm_year) + 1900);
    *at++ = '-';
    at = put_two(at, local.tm_mon + 1);
    *at++ = '-';
    at = put_two(at, local.tm_mday);
    if (with_time) {
        *at++ = ' ';
        at = put_two(at, local.tm_hour);
        *at++ = ':';
        at = put_two(at, local.tm_min);
        *at++ = ':';
        at = put_two(at, local.tm_sec);
    }
    return QString::fromLatin1(text, static_cast<qsizetype>(at - text));
}

} // namespace

QString format_row_date(qint64 seconds)
{
    return local_text(seconds, false);
}

QString format_row_date_time(qint64 seconds)
{
    return local_text(seconds, true);
}
