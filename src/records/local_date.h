// Local-time text of the dates of found rows, for listings of many rows.
//
// Through localtime_r: the C library reads the system's zone once per
// process there, and applies its own rules to each date (so a date on the
// other side of a daylight-saving change gets its own offset). The offset
// it finds is kept for the rest of that hour. Qt's local
// time asks for the zone to be read again on every conversion (tzset, a
// stat of /etc/localtime), which was a quarter of a large listing's time.
#pragma once

#include <QString>
#include <QtGlobal>

// "yyyy-MM-dd"; empty when there is no date (0, or before 1970).
QString format_row_date(qint64 seconds);
// "yyyy-MM-dd HH:mm:ss"; empty likewise.
QString format_row_date_time(qint64 seconds);
// The same text into out (room for row_date_room bytes); its length, 0
// when there is no date. For listings of many rows.
constexpr int row_date_room = 48;
int format_row_date_time_latin1(qint64 seconds, char *out);
