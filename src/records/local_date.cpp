#include "local_date.h"

#include <ctime>

namespace {

QString local_text(qint64 seconds, const char *format)
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
    const size_t length = strftime(text, sizeof text, format, &local);
    return QString::fromLatin1(text, static_cast<int>(length));
}

} // namespace

QString format_row_date(qint64 seconds)
{
    return local_text(seconds, "%Y-%m-%d");
}

QString format_row_date_time(qint64 seconds)
{
    return local_text(seconds, "%Y-%m-%d %H:%M:%S");
}
