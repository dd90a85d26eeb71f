#include "boot_sector.h"

#include "ntfs_layout.h"

namespace {

bool power_of_two(uint64_t v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

// Largest cluster NTFS allows.
constexpr uint64_t max_cluster_size = 2u << 20;

} // namespace

bool parse_boot_sector(byte_view_s sector, ntfs_geometry_s &out)
{
    ntfs_boot_sector_s boot;
    if (!read_struct(sector, 0, boot) || memcmp(boot.oem_id, "NTFS    ", 8) != 0)
        return false;
    if (!power_of_two(boot.bytes_per_sector) || boot.bytes_per_sector < 256 || boot.bytes_per_sector > 4096)
        return false;
    uint64_t sectors_per_cluster = boot.sectors_per_cluster;
    if (sectors_per_cluster > 0x80) {
        unsigned shift = 256u - sectors_per_cluster;
        if (shift > 21)
            return false;
        sectors_per_cluster = 1ull << shift;
    }
    if (!power_of_two(sectors_per_cluster))
        return false;
    uint64_t cluster_size = sectors_per_cluster * boot.bytes_per_sector;
    if (cluster_size > max_cluster_size)
        return false;
    uint64_t record_size;
    if (boot.clusters_per_record > 0) {
        record_size = boot.clusters_per_record * cluster_size;
    } else {
        int shift = -boot.clusters_per_record;
        if (shift < 8 || shift > 16)
            return false;
        record_size = 1ull << shift;
    }
    if (!power_of_two(record_size) || record_size < 256 || record_size > 65536)
        return false;
    uint64_t total_clusters = boot.total_sectors / sectors_per_cluster;
    if (total_clusters == 0 || boot.mft_lcn >= total_clusters)
        return false;
    out.sector_size = boot.bytes_per_sector;
    out.cluster_size = static_cast<uint32_t>(cluster_size);
    out.record_size = static_cast<uint32_t>(record_size);
    out.total_clusters = total_clusters;
    out.mft_lcn = boot.mft_lcn;
    // Saturated: a damaged sector count must not wrap to a small size.
    out.volume_bytes = boot.total_sectors > UINT64_MAX / boot.bytes_per_sector
        ? UINT64_MAX
        : boot.total_sectors * boot.bytes_per_sector;
    return true;
}
