#include "cluster_bitmap.h"

#include <algorithm>
#include <cstring>

#include "file_record.h"
#include "ntfs_volume.h"

namespace {
constexpr uint64_t bitmap_record = 6;
}

bool cluster_bitmap_c::load(ntfs_volume_c &volume, uint64_t max_bytes)
{
    file_record_s record;
    if (!volume.has_data_clusters() || !load_file_record(volume, bitmap_record, record))
        return false;
    const data_stream_s bitmap = find_data_stream(record.attributes);
    const uint64_t clusters = volume.geometry().total_clusters;
    const uint64_t bytes = (clusters + 7) / 8;
    if (!bitmap.found || bitmap.runs_damaged || bitmap.data_size < bytes || bytes > max_bytes)
        return false;
    std::vector<uint8_t> bits(static_cast<size_t>(bytes));
    if (bitmap.resident) {
        if (!bitmap.value.covers(0, bytes))
            return false;
        memcpy(bits.data(), bitmap.value.data, bits.size());
    } else if (volume.read_stream(bitmap.runs, 0, bits.data(), bits.size()) != 0) {
        return false;
    }
    bits_ = std::move(bits);
    clusters_ = clusters;
    return true;
}

uint64_t cluster_bitmap_c::count_in_use(uint64_t first, uint64_t count) const
{
    uint64_t used = 0;
    const uint64_t end = first + count < first ? UINT64_MAX : first + count;
    uint64_t c = first;
    // Bit by bit up to a byte boundary, then whole bytes.
    for (; c < end && c < clusters_ && c % 8; ++c)
        used += in_use(c);
    for (; end - c >= 8 && c + 8 <= clusters_; c += 8)
        used += static_cast<uint64_t>(__builtin_popcount(bits_[c / 8]));
    for (; c < end; ++c)
        used += in_use(c);
    return used;
}
