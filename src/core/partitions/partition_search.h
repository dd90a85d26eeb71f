// The lost-partition search over a whole disk: windows of 256 sectors, each
// tested for NTFS and FAT32 boot sectors; a found partition is skipped whole.
#pragma once

#include <cstdint>
#include <functional>

#include "partition_item.h"

class block_device_c;

constexpr uint32_t search_sector_bytes = 512;
constexpr uint32_t search_window_sectors = 256;
constexpr uint32_t search_window_bytes = search_window_sectors * search_sector_bytes;

struct partition_search_hooks_s {
    std::function<void(const partition_item_s &)> found; // each new row, in order
    std::function<void(double)> progress;                // fraction searched, 0.0 to 1.0
    std::function<bool()> stop_requested;                // polled once per window
};

enum search_end_e {
    search_completed = 0, // the end of the disk, or a short read
    search_stopped = 1,   // stop_requested answered true
};

// Searches drive, treating drive_size bytes as its length.
search_end_e search_partitions(block_device_c &drive, uint64_t drive_size, const partition_search_hooks_s &hooks);
