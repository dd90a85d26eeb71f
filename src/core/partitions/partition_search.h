// The lost-partition search over a whole disk: windows of 256 sectors, every
// sector of which is tested for the structures of the file systems we know
// (volume_probe.h); a found partition is skipped whole. Where ours find
// nothing, the candidate starts (1 MiB and cylinder boundaries, the sector
// after a find) are offered to another prober for the rest.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "partition_item.h"

class block_device_c;

constexpr uint32_t search_sector_bytes = 512;
constexpr uint32_t search_window_sectors = 256;
constexpr uint32_t search_window_bytes = search_window_sectors * search_sector_bytes;

struct partition_search_hooks_s {
    std::function<void(const partition_item_s &)> found; // each new row, in order
    std::function<void(double)> progress;                // fraction searched, 0.0 to 1.0
    std::function<bool()> stop_requested;                // polled once per window
    // The file system another prober sees at a candidate start; empty for
    // none or for one of ours. Its finds have no length: each runs up to the
    // next find or the disk's end.
    std::function<std::optional<QString>(uint64_t sector)> probe_other;
};

enum search_end_e {
    search_completed = 0, // the end of the disk, or a short read
    search_stopped = 1,   // stop_requested answered true
};

// Whether sector s is where partitions are usually made to start.
bool is_candidate_start(uint64_t s);

// Searches drive, treating drive_size bytes as its length.
search_end_e search_partitions(block_device_c &drive, uint64_t drive_size, const partition_search_hooks_s &hooks);
