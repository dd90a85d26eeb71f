#include "free_space.h"

#include "cluster_bitmap.h"
#include "ntfs_volume.h"

namespace {
// A listing reads at most this much (1 TiB of 4 KiB clusters); larger
// volumes show no free count rather than stall the list.
constexpr uint64_t max_bitmap_bytes = 32ull << 20;
} // namespace

bool ntfs_free_bytes(std::shared_ptr<block_device_c> device, uint64_t &free_bytes)
{
    int32_t error = 0;
    std::unique_ptr<ntfs_volume_c> volume = ntfs_volume_c::open(std::move(device), &error);
    cluster_bitmap_c bitmap;
    if (!volume || !bitmap.load(*volume, max_bitmap_bytes))
        return false;
    const uint64_t clusters = bitmap.clusters();
    free_bytes = (clusters - bitmap.count_in_use(0, clusters)) * volume->geometry().cluster_size;
    return true;
}
