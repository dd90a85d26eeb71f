// Dates that carved files state about themselves, as seconds since
// 1970-01-01 UTC, 0 for none (the convention of found rows). Each parser
// takes the text or number as its format writes it and turns down what no
// set clock writes: fields out of range, zeros, years before 1971.
#pragma once

#include <cstdint>
#include <string>

// A clock reading and its offset from UTC (local time minus UTC).
struct civil_time_s {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int offset_minutes = 0;
};

// The reading in seconds since 1970 UTC; 0 when a field is out of range or
// the time falls before 1971 or after 9999.
int64_t utc_seconds(const civil_time_s &t);

// EXIF "YYYY:MM:DD HH:MM:SS" as stated (offset 0); false when not a date.
bool exif_civil_time(const std::string &date, civil_time_s *out);
// The EXIF date with its offset tag's "+HH:MM"; UTC when that is empty or
// malformed (cameras leave it blank).
int64_t exif_date(const std::string &date, const std::string &offset);
// PDF "D:YYYYMMDDHHmmSSOHH'mm'"; the fields after the year may be left off,
// a date with no offset is taken as UTC.
int64_t pdf_date(const std::string &text);
// W3CDTF "YYYY-MM-DDThh:mm:ss.sTZD" and its shorter forms (core.xml).
int64_t w3cdtf_date(const std::string &text);
// A FILETIME: 100-nanosecond intervals since 1601-01-01 UTC.
int64_t filetime_date(uint64_t filetime);
