// The volume's $Bitmap: one bit per cluster, set while a file uses it.
#pragma once

#include <cstdint>
#include <vector>

class ntfs_volume_c;

class cluster_bitmap_c {
public:
    // Reads the whole bitmap; false when $Bitmap cannot be read, is damaged,
    // is shorter than the volume or longer than max_bytes.
    bool load(ntfs_volume_c &volume, uint64_t max_bytes);
    // Only meaningful after a load that succeeded; clusters past the volume
    // count as in use.
    bool in_use(uint64_t cluster) const { return cluster >= clusters_ || (bits_[cluster / 8] >> (cluster % 8) & 1); }
    uint64_t clusters() const { return clusters_; }
    // Clusters in use in [first, first + count).
    uint64_t count_in_use(uint64_t first, uint64_t count) const;

private:
    std::vector<uint8_t> bits_;
    uint64_t clusters_ = 0;
};
