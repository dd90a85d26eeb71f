// File objects: reading a file's data along its cluster chain, or, for a
// deleted file whose chain is cleared, as consecutive clusters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fat_volume.h"

enum : uint8_t {
    fat_file_read = 0x01,
    fat_file_by_cluster = 0x02, // a run of clusters failed: read one at a time to keep what reads
    fat_file_data_error = 0x04, // the failure was a data sector's read, not the chain's
    fat_file_error = 0x80,
};

struct fat_file_s {
    fat_volume_s *vol = nullptr;
    uint16_t mount_id = 0;
    uint8_t flags = 0;
    uint32_t position = 0;
    uint32_t size = 0;
    uint32_t start_cluster = 0;
    uint32_t cluster = 0;
    uint64_t buffered_sector = 0; // 0: the buffer holds nothing
    uint8_t buffer[fat_layout::sector_bytes] = {};
};

// A read-only file object over a mounted volume, without opening any path.
void fat_file_setup(fat_file_s &file, fat_volume_s &vol, uint32_t start_cluster, uint32_t size);

// Reads up to count bytes at the file's position; *done grows by the bytes read.
int fat_read_file(fat_file_s &file, uint8_t *buffer, size_t count, size_t *done, bool contiguous);
// After a read that failed on the file's data (not its chain): clears the
// failure and moves the position up to bytes on, at most to the end of the
// sector it is in, so the caller can leave zeros there and read on. 0 bytes
// only clears it (to retry in smaller reads). fr_int_err after any other
// failure, or when the chain ends there.
int fat_skip_unreadable(fat_file_s &file, uint32_t bytes, bool contiguous);
// Moves the position (clamped to the size) along the chain.
int fat_seek_file(fat_file_s &file, uint32_t position);
int fat_close_file(fat_file_s &file);
