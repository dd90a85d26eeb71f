// Reading an exFAT boot sector into the geometry the reader works with, and
// the checksum that guards the boot region.
#pragma once

#include <cstddef>
#include <cstdint>

struct exfat_geometry_s {
    uint8_t sector_shift = 9;  // bytes per sector: 1 << sector_shift (512 to 4096)
    uint8_t cluster_shift = 0; // sectors per cluster: 1 << cluster_shift
    uint8_t fat_count = 1;
    uint16_t volume_flags = 0; // bit 0: the second FAT and bitmap are the active ones
    uint64_t volume_sectors = 0;
    uint32_t fat_offset = 0; // sectors from the volume's start
    uint32_t fat_length = 0; // sectors
    uint32_t heap_offset = 0;
    uint32_t cluster_count = 0;
    uint32_t root_cluster = 0;
    uint32_t serial = 0;

    uint32_t sector_bytes() const { return 1u << sector_shift; }
    uint64_t cluster_bytes() const { return uint64_t{1} << (sector_shift + cluster_shift); }
    // One past the last cluster number of the heap.
    uint32_t cluster_end() const { return cluster_count + 2; }
    bool in_heap(uint32_t cluster) const { return cluster >= 2 && cluster < cluster_end(); }
    // Byte offset of a heap cluster from the volume's start.
    uint64_t cluster_offset(uint32_t cluster) const
    {
        return (uint64_t{heap_offset} << sector_shift) + (uint64_t{cluster - 2} << (sector_shift + cluster_shift));
    }
    uint64_t volume_bytes() const { return volume_sectors << sector_shift; }
};

// Whether the sector starts with the exFAT jump and name.
bool is_exfat_boot(const uint8_t *sector, size_t len);

// Checks every field and fills out. Returns 0, or 13 (no exFAT file
// system) when a field is out of range or the areas do not fit the volume.
int parse_exfat_boot(const uint8_t *sector, size_t len, exfat_geometry_s &out);

// The 32-bit sum of the first 11 sectors of a boot region, the volume flags
// and percent-in-use bytes of sector 0 left out.
uint32_t exfat_boot_checksum(const uint8_t *region, size_t sector_size);
// Whether region (12 sectors of sector_size) holds its own checksum in every
// 4 bytes of its 12th sector.
bool exfat_boot_checksum_ok(const uint8_t *region, size_t sector_size);
