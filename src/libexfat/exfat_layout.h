// The exFAT on-disk layout: boot sector fields and directory entries, with
// their byte offsets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace exfat_layout {

constexpr size_t entry_bytes = 32;
constexpr size_t boot_region_sectors = 12; // boot, 8 extended, OEM, reserved, checksum
constexpr size_t checksummed_sectors = 11;
constexpr uint64_t backup_region_sector = 12;

namespace boot {
constexpr size_t jump = 0;           // EB 76 90
constexpr size_t fs_name = 3;        // "EXFAT   "
constexpr size_t must_be_zero = 11;  // 53 bytes
constexpr size_t must_be_zero_length = 53;
constexpr size_t volume_length = 72; // u64, sectors
constexpr size_t fat_offset = 80;    // u32, sectors
constexpr size_t fat_length = 84;    // u32, sectors
constexpr size_t heap_offset = 88;   // u32, sectors
constexpr size_t cluster_count = 92; // u32
constexpr size_t root_cluster = 96;  // u32
constexpr size_t serial = 100;       // u32
constexpr size_t volume_flags = 106; // u16, not checksummed
constexpr size_t sector_shift = 108;
constexpr size_t cluster_shift = 109;
constexpr size_t fat_count = 110;
constexpr size_t percent_in_use = 112; // not checksummed
constexpr size_t signature = 510;      // 0xAA55
constexpr size_t min_bytes = 512;
} // namespace boot

// Entry types with the in-use bit (0x80) set; a deleted entry has it clear.
enum entry_type_e : uint8_t {
    end_of_directory = 0x00,
    in_use_bit = 0x80,
    type_bitmap = 0x81,
    type_upcase = 0x82,
    type_file = 0x85,
    type_stream = 0xC0,
    type_name = 0xC1,
    secondary_bit = 0x40, // TypeCategory: a secondary entry
};

namespace file {
constexpr size_t secondary_count = 1;
constexpr size_t set_checksum = 2; // u16, itself left out of the sum
constexpr size_t attributes = 4;   // u16
constexpr size_t created = 8;      // u32 timestamp
constexpr size_t modified = 12;
constexpr size_t created_10ms = 20;
constexpr size_t modified_10ms = 21;
constexpr size_t created_utc = 22;
constexpr size_t modified_utc = 23;
constexpr uint16_t attr_directory = 0x10;
} // namespace file

namespace stream {
constexpr size_t flags = 1; // bit 0 allocation possible, bit 1 no FAT chain
constexpr size_t name_length = 3;
constexpr size_t name_hash = 4; // u16
constexpr size_t valid_length = 8; // u64
constexpr size_t first_cluster = 20; // u32
constexpr size_t data_length = 24;   // u64
constexpr uint8_t no_fat_chain = 0x02;
} // namespace stream

namespace name {
constexpr size_t chars = 2; // 15 UTF-16 units
constexpr size_t chars_per_entry = 15;
} // namespace name

// Allocation bitmap and up-case table entries: where their data lies.
namespace table {
constexpr size_t first_cluster = 20;
constexpr size_t data_length = 24;
} // namespace table

} // namespace exfat_layout
