// GUID partition table layout.
//
// LBA 0 holds a protective MBR (one entry of type 0xEE), LBA 1 the primary
// header, the entry array follows (usually at LBA 2); a backup header sits in
// the disk's last sector. Sector-size independent: every position is an LBA.
// All fields are little-endian; GUIDs are kept as their 16 stored bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

struct gpt_header_s {
    char signature[8];         // 0x00: "EFI PART"
    uint32_t revision;         // 0x08: 0x00010000
    uint32_t header_size;      // 0x0C: bytes covered by header_crc32 (92 usually)
    uint32_t header_crc32;     // 0x10: CRC32 of header_size bytes, this field as 0
    uint32_t reserved;         // 0x14
    uint64_t current_lba;      // 0x18: LBA of this header
    uint64_t backup_lba;       // 0x20: LBA of the other header
    uint64_t first_usable_lba; // 0x28
    uint64_t last_usable_lba;  // 0x30
    uint8_t disk_guid[16];     // 0x38
    uint64_t entries_lba;      // 0x48: first sector of the entry array
    uint32_t entry_count;      // 0x50
    uint32_t entry_size;       // 0x54: 128 or a larger multiple of 8
    uint32_t entries_crc32;    // 0x58: CRC32 of entry_count * entry_size bytes
};
static_assert(sizeof(gpt_header_s) == 92, "GPT header is 92 bytes");

struct gpt_entry_s {
    uint8_t type_guid[16];   // 0x00: all zero = unused
    uint8_t unique_guid[16]; // 0x10
    uint64_t first_lba;      // 0x20
    uint64_t last_lba;       // 0x28: inclusive
    uint64_t attributes;     // 0x30
    uint16_t name[36];       // 0x38: UTF-16LE, zero padded
};
static_assert(sizeof(gpt_entry_s) == 128, "GPT entry is 128 bytes");

#pragma pack(pop)

constexpr size_t gpt_header_size = 92;
constexpr size_t gpt_min_entry_size = 128;
constexpr char gpt_signature[8] = {'E', 'F', 'I', ' ', 'P', 'A', 'R', 'T'};

constexpr size_t gpt_header_revision = 0x08;
constexpr size_t gpt_header_header_size = 0x0C;
constexpr size_t gpt_header_header_crc32 = 0x10;
constexpr size_t gpt_header_current_lba = 0x18;
constexpr size_t gpt_header_backup_lba = 0x20;
constexpr size_t gpt_header_first_usable_lba = 0x28;
constexpr size_t gpt_header_last_usable_lba = 0x30;
constexpr size_t gpt_header_disk_guid = 0x38;
constexpr size_t gpt_header_entries_lba = 0x48;
constexpr size_t gpt_header_entry_count = 0x50;
constexpr size_t gpt_header_entry_size = 0x54;
constexpr size_t gpt_header_entries_crc32 = 0x58;

constexpr size_t gpt_entry_type_guid = 0x00;
constexpr size_t gpt_entry_unique_guid = 0x10;
constexpr size_t gpt_entry_first_lba = 0x20;
constexpr size_t gpt_entry_last_lba = 0x28;
constexpr size_t gpt_entry_attributes = 0x30;
constexpr size_t gpt_entry_name = 0x38;
constexpr size_t gpt_entry_name_units = 36;

static_assert(offsetof(gpt_header_s, header_crc32) == gpt_header_header_crc32, "layout");
static_assert(offsetof(gpt_header_s, current_lba) == gpt_header_current_lba, "layout");
static_assert(offsetof(gpt_header_s, entries_lba) == gpt_header_entries_lba, "layout");
static_assert(offsetof(gpt_header_s, entries_crc32) == gpt_header_entries_crc32, "layout");
static_assert(offsetof(gpt_entry_s, first_lba) == gpt_entry_first_lba, "layout");
static_assert(offsetof(gpt_entry_s, last_lba) == gpt_entry_last_lba, "layout");
static_assert(offsetof(gpt_entry_s, name) == gpt_entry_name, "layout");

// A cap on the entry array keeps a hostile header from asking for
// gigabytes; real tables hold 128 entries of 128 bytes (16 KiB).
constexpr uint64_t gpt_max_entry_array_bytes = 1u << 20;
