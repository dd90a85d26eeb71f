// The lost-partition search over a whole disk. Partitions start where the
// tools that make them put them: on 1 MiB boundaries (the first at 64 KiB on
// small disks), on cylinder boundaries (255 heads of 63 sectors) or a track
// after one, or right after the partition before. At each such candidate the few sectors around it are
// tested for the structures of the file systems we know (volume_probe.h):
// the one before (NTFS keeps a copy of its boot sector in its last sector),
// the candidate and the twelve after it (FAT32's copy at 6, exFAT's at 12).
// A found partition is skipped whole. Where ours find nothing, a 1 MiB or
// cylinder candidate, or the sector after a find, is offered to another
// prober for the rest.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "partition_item.h"

class block_device_c;
class region_prober_c;

constexpr uint32_t search_sector_bytes = 512;
// Sectors read at each candidate c: c - 1 to c + 12.
constexpr uint32_t search_block_sectors = 14;

struct partition_search_hooks_s {
    std::function<void(const partition_item_s &)> found; // each new row, in order
    std::function<void(double)> progress;                // fraction searched, 0.0 to 1.0
    std::function<bool()> stop_requested;                // polled once per candidate
    // The file system another prober sees at a candidate start; empty for
    // none or for one of ours. Its finds have no length: each runs up to the
    // next find or the disk's end.
    std::function<std::optional<QString>(uint64_t sector)> probe_other;
};

enum search_end_e {
    search_completed = 0, // the end of the disk, or a short read
    search_stopped = 1,   // stop_requested answered true
};

// The first candidate start at or after sector s.
uint64_t next_candidate_start(uint64_t s);

// A probe_other that asks the system's probers, leaving the file systems
// this search checks itself to it (it knows their lengths and copies).
std::function<std::optional<QString>(uint64_t sector)> system_probe_other(region_prober_c &prober);

// Searches drive, treating drive_size bytes as its length.
search_end_e search_partitions(block_device_c &drive, uint64_t drive_size, const partition_search_hooks_s &hooks);
