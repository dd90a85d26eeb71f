#include "carved_dates.h"

#include <cctype>

namespace {

const int64_t day_seconds = 86400;
const int64_t first_second = 365 * day_seconds; // 1971-01-01: 1970 is what unset clocks and zeroed fields give
const int64_t end_second = 253402300800;        // 10000-01-01
const int64_t filetime_1970 = 11644473600;      // seconds from 1601 to 1970

bool leap(int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int64_t y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 to y-m-d of the Gregorian calendar, for y >= 1.
int64_t days_from_civil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = y / 400;
    const int64_t year_of_era = y - era * 400;
    const int64_t day_of_year = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    return era * 146097 + year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year - 719468;
}

// Date text read field by field from the front.
struct date_text_s {
    const std::string &s;
    size_t pos = 0;

    bool digit() const { return pos < s.size() && isdigit(static_cast<unsigned char>(s[pos])); }
    bool literal(char c)
    {
        if (pos >= s.size() || s[pos] != c)
            return false;
        ++pos;
        return true;
    }
    // Exactly n digits.
    bool number(int n, int *out)
    {
        int v = 0;
        for (int i = 0; i < n; ++i, ++pos) {
            if (!digit())
                return false;
            v = v * 10 + (s[pos] - '0');
        }
        *out = v;
        return true;
    }
    // "+HH", then optionally sep and "MM" (a second sep after them is the
    // caller's); "Z" for UTC. False when there is no offset here.
    bool offset(char sep, int *minutes)
    {
        if (literal('Z')) {
            *minutes = 0;
            return true;
        }
        const int sign = literal('+') ? 1 : literal('-') ? -1 : 0;
        int hours = 0, mins = 0;
        if (!sign || !number(2, &hours))
            return false;
        literal(sep);
        if (digit() && !number(2, &mins))
            return false;
        if (hours > 23 || mins > 59)
            return false;
        *minutes = sign * (hours * 60 + mins);
        return true;
    }
};

std::string trimmed(const std::string &s)
{
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

int64_t utc_seconds(const civil_time_s &t)
{
    if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > days_in_month(t.year, t.month) ||
        t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 60 ||
        t.offset_minutes <= -24 * 60 || t.offset_minutes >= 24 * 60)
        return 0;
    const int64_t s = days_from_civil(t.year, t.month, t.day) * day_seconds + t.hour * 3600 + t.minute * 60 + t.second -
        t.offset_minutes * 60;
    return s >= first_second && s < end_second ? s : 0;
}

bool exif_civil_time(const std::string &date, civil_time_s *out)
{
    date_text_s d{date};
    civil_time_s t;
    const bool shaped = d.number(4, &t.year) && d.literal(':') && d.number(2, &t.month) && d.literal(':') &&
        d.number(2, &t.day) && d.literal(' ') && d.number(2, &t.hour) && d.literal(':') && d.number(2, &t.minute) &&
        d.literal(':') && d.number(2, &t.second);
    if (!shaped || utc_seconds(t) == 0)
        return false;
    *out = t;
    return true;
}

int64_t exif_date(const std::string &date, const std::string &offset)
{
    civil_time_s t;
    if (!exif_civil_time(date, &t))
        return 0;
    const std::string o = trimmed(offset);
    date_text_s z{o};
    int minutes = 0;
    if (z.offset(':', &minutes) && z.pos == o.size())
        t.offset_minutes = minutes;
    return utc_seconds(t);
}

int64_t pdf_date(const std::string &text)
{
    const std::string s = trimmed(text);
    date_text_s d{s};
    if (d.literal('D'))
        d.literal(':');
    civil_time_s t;
    t.month = t.day = 1;
    if (!d.number(4, &t.year))
        return 0;
    // Each later field is optional, but one that starts is two digits.
    for (int *field : {&t.month, &t.day, &t.hour, &t.minute, &t.second}) {
        if (!d.digit())
            break;
        if (!d.number(2, field))
            return 0;
    }
    d.offset('\'', &t.offset_minutes);
    return utc_seconds(t);
}

int64_t w3cdtf_date(const std::string &text)
{
    const std::string s = trimmed(text);
    date_text_s d{s};
    civil_time_s t;
    t.month = t.day = 1;
    if (!d.number(4, &t.year))
        return 0;
    if (d.literal('-') && !d.number(2, &t.month))
        return 0;
    if (d.literal('-') && !d.number(2, &t.day))
        return 0;
    if (d.literal('T')) {
        if (!d.number(2, &t.hour) || !d.literal(':') || !d.number(2, &t.minute))
            return 0;
        if (d.literal(':') && !d.number(2, &t.second))
            return 0;
        if (d.literal('.'))
            while (d.digit())
                ++d.pos;
        d.offset(':', &t.offset_minutes);
    }
    return utc_seconds(t);
}

int64_t filetime_date(uint64_t filetime)
{
    const int64_t s = static_cast<int64_t>(filetime / 10000000) - filetime_1970;
    return s >= first_second && s < end_second ? s : 0;
}
