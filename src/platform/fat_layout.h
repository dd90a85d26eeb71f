// FAT on-disk layouts: boot sector fields, the FAT32 FSInfo sector and the
// 32-byte directory entry in its short and long-name forms. Offsets in bytes;
// fields are read with le_bytes.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "le_bytes.h"

namespace fat_layout {

constexpr size_t sector_bytes = 512; // the only sector size the reader accepts
constexpr size_t entry_bytes = 32;
constexpr size_t entries_per_sector = sector_bytes / entry_bytes;
static_assert(entries_per_sector == 16, "directory entries must tile a sector");

// Boot sector (BIOS parameter block).
namespace boot {
constexpr size_t oem_name = 3; // 8 characters
constexpr size_t oem_name_length = 8;
constexpr size_t bytes_per_sector = 11;     // u16, must be 512
constexpr size_t sectors_per_cluster = 13;  // u8, non-zero power of two
constexpr size_t reserved_sectors = 14;     // u16, non-zero
constexpr size_t fat_count = 16;            // u8, 1 or 2
constexpr size_t root_entries = 17;         // u16, 0 on FAT32
constexpr size_t total_sectors_16 = 19;     // u16; 0 means use total_sectors_32
constexpr size_t fat_sectors_16 = 22;       // u16; 0 means use fat_sectors_32
constexpr size_t total_sectors_32 = 32;     // u32
constexpr size_t fat_sectors_32 = 36;       // u32
constexpr size_t root_cluster_32 = 44;      // u32, FAT32 only
constexpr size_t fsinfo_sector_32 = 48;     // u16, FAT32 only
constexpr uint64_t backup_sector_usual = 6; // where formatters put the FAT32 copy
constexpr size_t fs_type_16 = 54;           // "FAT" on FAT12/16
constexpr size_t fs_type_32 = 82;           // "FAT" on FAT32
constexpr size_t signature = 510;           // u16, 0xAA55
constexpr uint16_t signature_value = 0xAA55;
static_assert(signature + 2 == sector_bytes, "signature ends the boot sector");
} // namespace boot

// FAT32 FSInfo sector: the free-cluster count the file system keeps.
namespace fsinfo {
constexpr size_t lead_signature = 0; // u32
constexpr uint32_t lead_value = 0x41615252;
constexpr size_t struct_signature = 484; // u32
constexpr uint32_t struct_value = 0x61417272;
constexpr size_t free_clusters = 488; // u32; 0xFFFFFFFF: not known
constexpr uint32_t unknown = 0xFFFFFFFF;
} // namespace fsinfo

// Short (8.3) directory entry.
namespace entry {
constexpr size_t name = 0; // 11 bytes, 8 + 3, space-padded
constexpr size_t name_length = 11;
constexpr size_t attributes = 11;     // u8
constexpr size_t case_bits = 12;      // u8: 0x08 base lower, 0x10 extension lower
constexpr size_t created_tenths = 13; // u8, 0 to 199: tenths of a second past created_time
constexpr size_t created_time = 14;   // u16
constexpr size_t created_date = 16;   // u16
constexpr size_t accessed_date = 18;  // u16
constexpr size_t cluster_high = 20;   // u16, FAT32 only
constexpr size_t modified_time = 22;  // u16
constexpr size_t modified_date = 24;  // u16
constexpr size_t cluster_low = 26;    // u16
constexpr size_t file_size = 28;      // u32
static_assert(file_size + 4 == entry_bytes, "size field ends the entry");

constexpr uint8_t end_marker = 0x00;
constexpr uint8_t deleted_marker = 0xE5;
constexpr uint8_t kanji_e5 = 0x05; // first byte 0x05 stands for 0xE5
constexpr uint8_t long_name_attr = 0x0F;
constexpr uint8_t volume_attr = 0x08;
constexpr uint8_t lower_base = 0x08;
constexpr uint8_t lower_ext = 0x10;
} // namespace entry

// Long-name directory entry: 13 UTF-16 characters of a name.
namespace long_entry {
constexpr size_t order = 0;     // u8; 0x40 marks the last piece (stored first)
constexpr size_t kind = 12;     // u8, 0 for a name piece
constexpr size_t checksum = 13; // u8, checksum of the short name
constexpr size_t cluster = 26;  // u16, always 0
constexpr uint8_t last_piece = 0x40;
constexpr size_t chars_per_entry = 13;
constexpr size_t char_offsets[chars_per_entry] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
static_assert(char_offsets[chars_per_entry - 1] + 2 == entry_bytes, "last character ends the entry");
} // namespace long_entry

} // namespace fat_layout
