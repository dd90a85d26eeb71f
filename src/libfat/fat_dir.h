// Directory reads that return deleted entries too, with long names checked
// against the short name they belong to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fat_deleted_name.h"
#include "fat_volume.h"

constexpr size_t fat_long_name_units = 256; // 255 characters and a zero

struct fat_file_info_s {
    uint32_t size = 0;
    uint32_t cluster = 0;
    uint16_t modified_date = 0;
    uint16_t modified_time = 0;
    uint16_t created_date = 0;
    uint16_t created_time = 0;
    uint8_t attributes = 0;        // 0x40 added for a deleted entry
    char16_t short_name[13] = {};  // empty at the end of the directory
    bool first_char_lost = false;  // deleted, and the short name's first character unknown
    char16_t *long_name = nullptr; // the caller's buffer, or none
    size_t long_name_size = 0;
};

struct fat_dir_s {
    fat_volume_s *vol = nullptr;
    uint16_t mount_id = 0;
    uint32_t start_cluster = 0; // 0: the root directory
    uint32_t index = 0;
    uint32_t cluster = 0;
    uint64_t sector = 0; // 0: past the end
    uint8_t short_name[fat_layout::entry::name_length] = {};
    char16_t long_name[fat_long_name_units] = {};
    uint32_t long_name_index = 0; // no_long_name when the entry has none
    uint16_t deleted = 0;
    uint8_t first_byte = 0; // a deleted entry's first byte as it was; 0 when unknown
    fat_deleted_pieces_c deleted_pieces;

    static constexpr uint32_t no_long_name = UINT32_MAX;
};

// Positions the object at entry index of its start cluster.
int fat_dir_seek(fat_dir_s &dir, uint32_t index);
// Next entry (deleted ones included) into info; with info null, rewinds.
// At the end the short name is empty and the result 0.
int fat_read_dir(fat_dir_s &dir, fat_file_info_s *info);

// Reads the entry at the object's position into its name fields; used by the
// path search too. fr_no_file at the end of the directory.
int fat_dir_read_entry(fat_dir_s &dir);
int fat_dir_next(fat_dir_s &dir);
const uint8_t *fat_dir_entry(const fat_dir_s &dir);

uint8_t fat_short_name_checksum(const uint8_t *name11);
// The short name as shown: base, a dot and the extension, case bits applied.
// A deleted name's lost first byte is first_byte when known, else '?'.
std::u16string fat_decode_short_name(const uint8_t *entry, bool deleted, uint8_t first_byte = 0);
