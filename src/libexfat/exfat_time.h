// exFAT timestamps: a FAT-style date and time, a count of 10 ms added to
// its two-second steps, and the offset from UTC the time was written in.
#pragma once

#include <cstdint>

// Seconds since 1970 UTC. With a valid UTC offset the time is exact; without
// one it is taken as local time, as FAT times are. 0 when the fields name
// no real time.
int64_t exfat_unix_time(uint32_t stamp, uint8_t ten_ms, uint8_t utc_offset);
