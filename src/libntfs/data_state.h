// Whether a deleted file's data is still where its record maps it: its
// clusters against the volume's bitmap, and against the runs of deleted
// files written after it, which may have taken its clusters and been freed
// again since.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "cluster_bitmap.h"
#include "file_record.h"

class ntfs_volume_c;

struct data_usage_s {
    uint8_t verdict = 0; // ntfs_data_none or _unchecked when final; else judged by the counts
    uint64_t mapped = 0; // allocated clusters the data needs
    uint64_t used = 0;   // of those, in use now or claimed by a later deleted file
    uint8_t state() const;
};

// One run of a deleted file, with when the file was last written.
struct data_extent_s {
    uint64_t lcn = 0;
    uint64_t length = 0;
    int64_t written = 0;
    uint64_t record = 0;
};

// The usage of record's unnamed $DATA stream against bitmap (null when it
// could not be read); its runs are appended to extents.
data_usage_s record_data_usage(const ntfs_volume_c &volume, const cluster_bitmap_c *bitmap, const file_record_s &record,
                               int64_t written, std::vector<data_extent_s> &extents);

// Counts, for each file in usage, its clusters that are free in the bitmap
// but mapped by a deleted file written later.
void count_later_claims(std::vector<data_extent_s> extents, const cluster_bitmap_c &bitmap,
                        std::unordered_map<uint64_t, data_usage_s> &usage);
