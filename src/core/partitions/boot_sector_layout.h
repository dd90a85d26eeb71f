// The few boot-sector fields the repair reads to tell a file system in
// sector 0 from a partition table. Byte offsets
// within a 512-byte sector; all numbers little-endian.
#pragma once

#include <cstddef>

namespace boot_sector_layout {

constexpr size_t sector_bytes = 512;

constexpr size_t oem_name = 3; // 3..10: OEM name, 8 characters
constexpr size_t oem_name_len = 8;

// The FAT parameter block, enough to tell a FAT boot sector from boot code.
constexpr size_t jump = 0;                 // 0..2: EB xx 90 or E9 xx xx
constexpr size_t bytes_per_sector = 11;    // 11..12: u16, 512 to 4096
constexpr size_t sectors_per_cluster = 13; // u8, a power of two
constexpr size_t reserved_sectors = 14;    // 14..15: u16, at least 1
constexpr size_t fat_count = 16;           // u8, 1 or 2
constexpr size_t media = 21;               // u8, F0 or F8..FF

static_assert(oem_name + oem_name_len <= sector_bytes);
static_assert(media < oem_name + 32);

} // namespace boot_sector_layout
