// Writes a record's unnamed $DATA stream out to a file.
#pragma once

#include <cstdint>

#include "ntfs_scan.h"

class ntfs_volume_c;

// Where a restore tells of bytes it could not read; fn may be null.
struct unreadable_note_s {
    ntfs_unreadable_fn fn = nullptr;
    void *cookie = nullptr;
};

// Writes exactly the stream's data_size bytes: resident data, or the runs
// with sparse runs and the bytes beyond the initialized size as zeros, and
// compressed units decompressed. Everything that can be checked beforehand
// (record, encryption, runs inside the volume) is checked before the file is
// created; a failure while writing removes the partial file. Returns ntfs_ok
// or an ntfs_error_* code.
int32_t write_data_stream(ntfs_volume_c &volume, uint64_t number, const char *destination);
// The same into fd, an empty file open for writing, which stays open and
// keeps what was written when a step fails. With max_bytes, only the
// stream's first max_bytes are written (a look at the start of a large
// file), and only the runs they need must be sound. A block of plain data
// that fails to read is read again sector by sector: the sectors that fail
// are left as zeros and told to unreadable.
int32_t write_data_stream(ntfs_volume_c &volume, uint64_t number, int fd, uint64_t max_bytes = UINT64_MAX,
                          unreadable_note_s unreadable = {});
