#include "free_space.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "file_record.h"
#include "ntfs_volume.h"

namespace {

constexpr uint64_t bitmap_record = 6;
constexpr size_t chunk_bytes = 64 * 1024;
// A listing reads at most this much (1 TiB of 4 KiB clusters); larger
// volumes show no free count rather than stall the list.
constexpr uint64_t max_bitmap_bytes = 32ull << 20;

} // namespace

bool ntfs_free_bytes(std::shared_ptr<block_device_c> device, uint64_t &free_bytes)
{
    int32_t error = 0;
    std::unique_ptr<ntfs_volume_c> volume = ntfs_volume_c::open(std::move(device), &error);
    file_record_s record;
    if (!volume || !load_file_record(*volume, bitmap_record, record))
        return false;
    data_stream_s bitmap = find_data_stream(record.attributes);
    const uint64_t clusters = volume->geometry().total_clusters;
    if (!bitmap.found || bitmap.runs_damaged || bitmap.data_size * 8 < clusters ||
        (clusters + 7) / 8 > max_bitmap_bytes)
        return false;

    uint64_t used = 0;
    std::vector<uint8_t> chunk(chunk_bytes);
    for (uint64_t offset = 0; offset * 8 < clusters; offset += chunk.size()) {
        const size_t len = static_cast<size_t>(std::min<uint64_t>(chunk.size(), (clusters + 7) / 8 - offset));
        if (bitmap.resident) {
            if (!bitmap.value.covers(offset, len))
                return false;
            memcpy(chunk.data(), bitmap.value.data + offset, len);
        } else if (volume->read_stream(bitmap.runs, offset, chunk.data(), len) != 0) {
            return false;
        }
        for (size_t i = 0; i < len; ++i) {
            uint8_t bits = chunk[i];
            // Bits past the last cluster are padding.
            const uint64_t first = (offset + i) * 8;
            if (clusters - first < 8)
                bits &= static_cast<uint8_t>((1u << (clusters - first)) - 1);
            used += static_cast<uint64_t>(__builtin_popcount(bits));
        }
    }
    free_bytes = (clusters - used) * volume->geometry().cluster_size;
    return true;
}
