// The exFAT boot region: its main boot sector and the checksum sector that
// closes it. The region is 12 sectors; a backup copy follows at sector 12.
#pragma once

#include <cstddef>
#include <cstdint>

struct exfat_geometry_s {
    uint32_t sector_size = 0;    // bytes, 512 to 4096
    uint32_t cluster_sectors = 0;
    uint8_t fat_count = 0;       // 1 or 2
    uint64_t partition_offset = 0; // sectors, as the formatter recorded it (often 0)
    uint64_t volume_sectors = 0; // the volume's length
    uint32_t fat_offset = 0;     // sectors from the volume's start
    uint32_t fat_sectors = 0;
    uint32_t heap_offset = 0;    // first sector of cluster 2
    uint32_t cluster_count = 0;
    uint32_t root_cluster = 0;
    uint32_t serial = 0;
};

// Checks the main boot sector's fields; 0 and out, or 13 (no exFAT) when one
// is out of range. len is the bytes at sector, at least 512.
int parse_exfat_boot(const uint8_t *sector, size_t len, exfat_geometry_s &out);

// region: the 12 sectors of a boot region. Sectors 0 to 10 are summed, but for
// VolumeFlags (bytes 106-107) and PercentInUse (byte 112), which change while
// the volume is used; every 32-bit value of sector 11 must hold the sum.
bool exfat_boot_checksum_ok(const uint8_t *region, size_t sector_size);
