// On-disk NTFS structures, little-endian, read by copying from a checked span.
#pragma once

#include <cstdint>

#pragma pack(push, 1)

// Boot sector (first 512 bytes of the volume).
struct ntfs_boot_sector_s {
    uint8_t jump[3];             // 0
    char oem_id[8];              // 3   "NTFS    "
    uint16_t bytes_per_sector;   // 11
    uint8_t sectors_per_cluster; // 13  above 0x80: 2^(256 - value)
    uint16_t reserved_sectors;   // 14
    uint8_t zero1[3];            // 16
    uint16_t unused1;            // 19
    uint8_t media;               // 21
    uint16_t zero2;              // 22
    uint16_t sectors_per_track;  // 24
    uint16_t heads;              // 26
    uint32_t hidden_sectors;     // 28
    uint32_t unused2;            // 32
    uint32_t unused3;            // 36
    uint64_t total_sectors;      // 40
    uint64_t mft_lcn;            // 48
    uint64_t mft_mirror_lcn;     // 56
    int8_t clusters_per_record;  // 64  negative: 2^(-value) bytes
    uint8_t pad1[3];             // 65
    int8_t clusters_per_index;   // 68
    uint8_t pad2[3];             // 69
    uint64_t serial;             // 72
    uint32_t checksum;           // 80
    uint8_t boot_code[426];      // 84
    uint16_t signature;          // 510 0xAA55, absent on some volumes
};
static_assert(sizeof(ntfs_boot_sector_s) == 512);

// File record header ("FILE").
struct ntfs_record_header_s {
    char magic[4];            // 0
    uint16_t usa_offset;      // 4   update sequence array
    uint16_t usa_count;       // 6   1 + number of protected strides
    uint64_t lsn;             // 8
    uint16_t sequence;        // 16
    uint16_t link_count;      // 18
    uint16_t attrs_offset;    // 20
    uint16_t flags;           // 22
    uint32_t bytes_in_use;    // 24
    uint32_t bytes_allocated; // 28
    uint64_t base_record;     // 32  0 for a base record
    uint16_t next_attr_id;    // 40
};
static_assert(sizeof(ntfs_record_header_s) == 42);

enum : uint16_t {
    ntfs_record_in_use = 0x0001,
    ntfs_record_is_directory = 0x0002,
};

// Common attribute header.
struct ntfs_attr_header_s {
    uint32_t type;        // 0
    uint32_t length;      // 4
    uint8_t non_resident; // 8
    uint8_t name_length;  // 9   UTF-16 units
    uint16_t name_offset; // 10
    uint16_t flags;       // 12
    uint16_t instance;    // 14
};
static_assert(sizeof(ntfs_attr_header_s) == 16);

struct ntfs_resident_header_s {
    ntfs_attr_header_s common; // 0
    uint32_t value_length;     // 16
    uint16_t value_offset;     // 20
    uint8_t resident_flags;    // 22
    uint8_t pad;               // 23
};
static_assert(sizeof(ntfs_resident_header_s) == 24);

struct ntfs_nonresident_header_s {
    ntfs_attr_header_s common;     // 0
    uint64_t lowest_vcn;           // 16
    uint64_t highest_vcn;          // 24
    uint16_t mapping_pairs_offset; // 32
    uint8_t compression_unit;      // 34  log2 of clusters per unit
    uint8_t pad[5];                // 35
    uint64_t allocated_size;       // 40
    uint64_t data_size;            // 48
    uint64_t initialized_size;     // 56
};
static_assert(sizeof(ntfs_nonresident_header_s) == 64);

enum : uint32_t {
    ntfs_attr_standard_information = 0x10,
    ntfs_attr_attribute_list = 0x20,
    ntfs_attr_file_name = 0x30,
    ntfs_attr_data = 0x80,
    ntfs_attr_index_root = 0x90,
    ntfs_attr_index_allocation = 0xA0,
    ntfs_attr_bitmap = 0xB0,
    ntfs_attr_end = 0xFFFFFFFF,
};

enum : uint16_t {
    ntfs_attr_flag_compressed = 0x0001,
    ntfs_attr_flag_encrypted = 0x4000,
    ntfs_attr_flag_sparse = 0x8000,
};

// $STANDARD_INFORMATION value (the first 48 bytes exist in every version).
struct ntfs_standard_information_s {
    uint64_t created;         // 0   FILETIME
    uint64_t modified;        // 8
    uint64_t mft_changed;     // 16
    uint64_t accessed;        // 24
    uint32_t file_attributes; // 32
    uint32_t max_versions;    // 36
    uint32_t version;         // 40
    uint32_t class_id;        // 44
};
static_assert(sizeof(ntfs_standard_information_s) == 48);

// $FILE_NAME value; the name's UTF-16 units follow at offset 66.
struct ntfs_file_name_s {
    uint64_t parent_reference; // 0   low 48 bits: record number
    uint64_t created;          // 8
    uint64_t modified;         // 16
    uint64_t mft_changed;      // 24
    uint64_t accessed;         // 32
    uint64_t allocated_size;   // 40
    uint64_t data_size;        // 48
    uint32_t file_attributes;  // 56
    uint32_t reparse;          // 60
    uint8_t name_length;       // 64
    uint8_t name_space;        // 65  0 POSIX, 1 Win32, 2 DOS, 3 Win32 and DOS
};
static_assert(sizeof(ntfs_file_name_s) == 66);

enum : uint8_t { ntfs_namespace_dos = 2, ntfs_namespace_last = 3 };

// $FILE_NAME file_attributes: the named file is a directory.
constexpr uint32_t ntfs_file_attribute_directory = 0x10000000;

// Header of the entry area in an $INDEX_ROOT value and in an index block;
// its offsets count from the header's own first byte.
struct ntfs_index_header_s {
    uint32_t entries_offset; // 0
    uint32_t index_length;   // 4   bytes in use, from the header on
    uint32_t allocated_size; // 8
    uint8_t flags;           // 12
    uint8_t pad[3];          // 13
};
static_assert(sizeof(ntfs_index_header_s) == 16);

// $INDEX_ROOT value; an index header follows at 16.
struct ntfs_index_root_s {
    uint32_t indexed_type;      // 0   0x30 for a directory's $I30
    uint32_t collation;         // 4
    uint32_t block_size;        // 8   bytes per index block
    uint8_t clusters_per_block; // 12
    uint8_t pad[3];             // 13
};
static_assert(sizeof(ntfs_index_root_s) == 16);

// Index block ("INDX") header; an index header follows at 24.
struct ntfs_index_block_s {
    char magic[4];       // 0
    uint16_t usa_offset; // 4
    uint16_t usa_count;  // 6
    uint64_t lsn;        // 8
    uint64_t vcn;        // 16
};
static_assert(sizeof(ntfs_index_block_s) == 24);

// Index entry header; in a directory index the key is a $FILE_NAME value.
struct ntfs_index_entry_s {
    uint64_t file_reference; // 0
    uint16_t length;         // 8
    uint16_t key_length;     // 10
    uint32_t flags;          // 12
};
static_assert(sizeof(ntfs_index_entry_s) == 16);

// One $ATTRIBUTE_LIST entry; its name follows at name_offset.
struct ntfs_attr_list_entry_s {
    uint32_t type;             // 0
    uint16_t length;           // 4
    uint8_t name_length;       // 6
    uint8_t name_offset;       // 7
    uint64_t lowest_vcn;       // 8
    uint64_t record_reference; // 16  low 48 bits: record number
    uint16_t attr_id;          // 24
};
static_assert(sizeof(ntfs_attr_list_entry_s) == 26);

#pragma pack(pop)

constexpr uint64_t ntfs_reference_mask = 0x0000FFFFFFFFFFFFull;
constexpr uint32_t ntfs_fixup_stride = 512;
