// Reading a FAT boot sector into the geometry the reader works with.
#pragma once

#include <cstddef>
#include <cstdint>

enum fat_type_e : uint8_t { fat_none = 0, fat12 = 1, fat16 = 2, fat32 = 3 };

// What sector 0 of a disk, or a volume's first sector, holds.
enum class boot_kind_e { fat, boot_without_fat, not_boot };

struct fat_geometry_s {
    fat_type_e type = fat_none;
    uint8_t cluster_sectors = 0;
    uint8_t fat_count = 0;
    uint16_t root_entries = 0;
    uint32_t fat_entries = 0; // clusters + 2
    uint32_t fat_sectors = 0;
    uint64_t total_sectors = 0; // the volume's length
    uint64_t fat_start = 0;     // absolute sectors from here on
    uint64_t root_base = 0;     // root sector (FAT12/16) or root cluster (FAT32)
    uint64_t data_start = 0;
    uint64_t fsinfo_sector = 0; // FAT32 free-count sector; 0: none
};

boot_kind_e classify_boot_sector(const uint8_t *sector, size_t len);

// Checks every field and fills out for a volume whose boot sector lies at
// base. Returns 0, or 13 (no FAT file system) when a field is out of range.
int parse_fat_boot(const uint8_t *sector, size_t len, uint64_t base, fat_geometry_s &out);
