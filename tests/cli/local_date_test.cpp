// Dates of a listing in local time, as Qt's local time gives them.
#include <gtest/gtest.h>

#include <QDateTime>
#include <cstdlib>
#include <ctime>
#include <string>

#include "records/local_date.h"

// Catches: an offset taken once and applied to every date (wrong on the
// other side of a daylight-saving change), an offset kept for an hour that
// a change falls in, or kept from a zone read before, and text that differs
// from what the listing printed before (Qt's local time, which reads the
// zone each time).
TEST(local_date, listing_dates_match_qt_local_time_on_both_sides_of_dst_changes)
{
    const char *old = getenv("TZ");
    const std::string kept = old ? old : "";
    for (const char *zone : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC"}) {
        setenv("TZ", zone, 1);
        tzset();
        // Every half hour and a second across two years: each change, and
        // the hours next to it, on both sides, mostly twice in an hour.
        for (qint64 s = 1699999999; s < 1699999999 + 2 * 366 * 86400; s += 1801) {
            const QDateTime qt = QDateTime::fromSecsSinceEpoch(s);
            ASSERT_EQ(format_row_date_time(s), qt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) << zone << " " << s;
            ASSERT_EQ(format_row_date(s), qt.toString(QStringLiteral("yyyy-MM-dd"))) << zone << " " << s;
            char text[row_date_room];
            ASSERT_EQ(QLatin1String(text, format_row_date_time_latin1(s, text)),
                      qt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                << zone << " " << s;
        }
        // The next zone starts in the hour and the second last asked for.
        format_row_date_time(1699999999);
        char text[row_date_room];
        format_row_date_time_latin1(1699999999, text);
    }
    if (old)
        setenv("TZ", kept.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(format_row_date_time(0), QString()) << "an unknown date is not shown as 1970-01-01";
}
