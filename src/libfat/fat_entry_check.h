// What 32 bytes must look like before they are taken for a directory entry.
// A damaged boot sector or a cleared chain makes the reader look at file
// data as if it were a folder; these checks keep such bytes from becoming
// folders and rows, the way careful readers of FAT do.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fat_boot.h"

// What an entry is checked against: the volume's cluster range and the
// size of its data area.
struct fat_entry_bounds_s {
    fat_type_e type = fat_none;
    uint32_t fat_entries = 0; // clusters + 2
    uint64_t data_bytes = 0;
};

fat_entry_bounds_s fat_entry_bounds(const fat_geometry_s &geometry);

// Whether b may stand at a place of a short name after the first: no control
// character, no lower case, none of the characters FAT forbids.
bool fat_short_name_byte_ok(uint8_t b);
// Whether b may be a short name's first byte (0x05 stands for 0xE5).
bool fat_short_name_first_byte_ok(uint8_t b);

// A short entry, live or deleted (first byte 0xE5): attribute bits, a volume
// label without folder, read-only or archive bits, its name, times and
// dates, a first cluster inside the volume, a size that fits the data area
// and needs a first cluster, a folder of size 0. Dot entries fail here.
bool fat_short_entry_ok(const uint8_t *entry, const fat_entry_bounds_s &bounds);

// A long-name piece: attribute 0x0F alone, no cluster, a sequence number of
// 1 to 20 (the 0x40 flag aside) unless deleted, characters a name may hold
// and only padding after its end.
bool fat_long_entry_ok(const uint8_t *entry);

// Whether a cluster's first entries (len bytes from its start) read as a
// folder: each of the first two is a sound short entry or long-name piece,
// the folder's own "." (pointing at cluster) first and ".." second, or the
// end of the folder after at least one of them.
bool fat_folder_start_ok(const uint8_t *first, size_t len, uint32_t cluster, const fat_entry_bounds_s &bounds);
