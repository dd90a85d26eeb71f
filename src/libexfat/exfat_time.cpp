#include "exfat_time.h"

#include <ctime>

int64_t exfat_unix_time(uint32_t stamp, uint8_t ten_ms, uint8_t utc_offset)
{
    struct tm t = {};
    t.tm_sec = static_cast<int>(stamp & 0x1F) * 2 + (ten_ms <= 199 ? ten_ms / 100 : 0);
    t.tm_min = static_cast<int>((stamp >> 5) & 0x3F);
    t.tm_hour = static_cast<int>((stamp >> 11) & 0x1F);
    t.tm_mday = static_cast<int>((stamp >> 16) & 0x1F);
    t.tm_mon = static_cast<int>((stamp >> 21) & 0x0F) - 1;
    t.tm_year = static_cast<int>(stamp >> 25) + 80;
    if (t.tm_mday < 1 || t.tm_mon < 0 || t.tm_mon > 11 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59)
        return 0;
    if (utc_offset & 0x80) {
        // Seven-bit signed count of 15-minute steps east of UTC.
        int quarters = utc_offset & 0x7F;
        if (quarters & 0x40)
            quarters -= 0x80;
        return static_cast<int64_t>(timegm(&t)) - int64_t{quarters} * 15 * 60;
    }
    t.tm_isdst = 0;
    const time_t seconds = mktime(&t);
    return seconds == static_cast<time_t>(-1) ? 0 : static_cast<int64_t>(seconds);
}
