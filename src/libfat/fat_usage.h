// Whether clusters are in use now, read from the first FAT in blocks of many
// sectors: the passes over a scan's finds go in cluster order, and one sector
// at a time would cost a device read per 128 to 341 entries.
#pragma once

#include <cstdint>
#include <vector>

#include "fat_volume.h"

class fat_usage_reader_c {
public:
    explicit fat_usage_reader_c(fat_volume_s &vol) : vol_(vol) {}

    // A FAT that cannot be read proves nothing free: counted as in use.
    bool in_use(uint32_t cluster);

private:
    bool cover(uint64_t at, uint64_t width);

    static constexpr uint64_t block_sectors = 128;
    fat_volume_s &vol_;
    std::vector<uint8_t> block_;
    uint64_t first_byte_ = 0;
    bool loaded_ = false;
};
