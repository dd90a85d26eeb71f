#include "local_date.h"

#include <cstring>
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

// Which zone the C library has read: tzset() may read another, and what
// was kept for the last one no longer holds then.
struct zone_key_s {
    const char *names[2] = {};
    long standard = 0;

    static zone_key_s now() { return {{tzname[0], tzname[1]}, timezone}; }
    bool operator==(const zone_key_s &o) const
    {
        return names[0] == o.names[0] && names[1] == o.names[1] && standard == o.standard;
    }
};

// The zone's offset in an hour, kept when it holds for all of that hour
// (the first and last second agree; no zone changes twice within an hour).
struct hour_offset_s {
    time_t hour = -1;
    long offset = 0;
    zone_key_s zone;
};

bool offset_at(time_t when, long &offset)
{
    struct tm local {};
    if (!localtime_r(&when, &local))
        return false;
    offset = local.tm_gmtoff;
    return true;
}

// Seconds since 1970 (already shifted into the zone) to a date and time in
// the proleptic Gregorian calendar, by arithmetic on days and eras of 400
// years: the C library's gmtime_r takes the zone lock on every call.
void civil_time(long long seconds, struct tm &out)
{
    long long days = seconds / 86400, in_day = seconds % 86400;
    if (in_day < 0) {
        in_day += 86400;
        --days;
    }
    days += 719468; // from 0000-03-01, so that leap days end a year
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long of_era = days - era * 146097;
    const long long year_of_era = (of_era - of_era / 1460 + of_era / 36524 - of_era / 146096) / 365;
    const long long of_year = of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const long long month_from_march = (5 * of_year + 2) / 153;
    const long long month = month_from_march < 10 ? month_from_march + 3 : month_from_march - 9;
    out.tm_year = static_cast<int>(year_of_era + era * 400 + (month <= 2) - 1900);
    out.tm_mon = static_cast<int>(month - 1);
    out.tm_mday = static_cast<int>(of_year - (153 * month_from_march + 2) / 5 + 1);
    out.tm_hour = static_cast<int>(in_day / 3600);
    out.tm_min = static_cast<int>(in_day / 60 % 60);
    out.tm_sec = static_cast<int>(in_day % 60);
}

// localtime_r, with the offset kept for the hour: a listing's dates mostly
// fall within a few hours, and each call applies the zone's rules anew.
bool to_local(time_t when, struct tm &out)
{
    thread_local hour_offset_s kept;
    if (when > (time_t{1} << 50)) // far past any year the C library gives
        return localtime_r(&when, &out) != nullptr;
    const time_t hour = when - ((when % 3600) + 3600) % 3600;
    if (hour != kept.hour || !(kept.zone == zone_key_s::now())) {
        long first = 0, last = 0;
        if (!offset_at(hour, first) || !offset_at(hour + 3599, last) || first != last)
            return localtime_r(&when, &out) != nullptr;
        kept = {hour, first, zone_key_s::now()};
    }
    civil_time(static_cast<long long>(when) + kept.offset, out);
    return true;
}

// The text into out; its length, 0 when there is no date.
int local_text(qint64 seconds, bool with_time, char *text)
{
    // 0 is how every engine says "no date": shown as 1970-01-01 it would
    // read as a real one.
    if (seconds <= 0)
        return 0;
    const time_t when = static_cast<time_t>(seconds);
    struct tm local {};
    if (static_cast<qint64>(when) != seconds || !to_local(when, local))
        return 0;
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
    return static_cast<int>(at - text);
}

} // namespace

QString format_row_date(qint64 seconds)
{
    char text[row_date_room];
    const int n = local_text(seconds, false, text);
    return n ? QString::fromLatin1(text, n) : QString();
}

QString format_row_date_time(qint64 seconds)
{
    char text[row_date_room];
    const int n = local_text(seconds, true, text);
    return n ? QString::fromLatin1(text, n) : QString();
}

int format_row_date_time_latin1(qint64 seconds, char *out)
{
    // Rows listed one after another often carry the same second (files
    // copied together): its text is kept, for the zone it was made in.
    struct last_s {
        qint64 seconds = 0;
        zone_key_s zone;
        int size = 0;
        char text[row_date_room] = {};
    };
    thread_local last_s last;
    if (seconds <= 0 || seconds != last.seconds || !(last.zone == zone_key_s::now())) {
        last.size = local_text(seconds, true, last.text);
        last.seconds = seconds;
        last.zone = zone_key_s::now();
    }
    memcpy(out, last.text, static_cast<size_t>(last.size));
    return last.size;
}
