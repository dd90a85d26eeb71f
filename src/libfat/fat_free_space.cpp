#include "fat_free_space.h"

using namespace fat_layout;

// Counting a FAT of this many entries reads at most 4 MiB.
static constexpr uint32_t max_counted_entries = 1u << 20;

static bool fsinfo_count(fat_volume_s &vol, uint64_t &free_clusters)
{
    const fat_geometry_s &g = vol.geometry;
    if (g.fsinfo_sector == 0 || fat_move_window(vol, g.fsinfo_sector) != fr_ok)
        return false;
    const uint8_t *s = vol.window;
    const uint32_t count = le32_at(s + fsinfo::free_clusters);
    if (le32_at(s + fsinfo::lead_signature) != fsinfo::lead_value ||
        le32_at(s + fsinfo::struct_signature) != fsinfo::struct_value || count == fsinfo::unknown ||
        count > g.fat_entries - 2)
        return false;
    free_clusters = count;
    return true;
}

int fat_free_clusters(fat_volume_s &vol, uint64_t &free_clusters)
{
    int res = fat_find_volume(vol);
    if (res != fr_ok)
        return res;
    const fat_geometry_s &g = vol.geometry;
    if (g.type == fat32 && fsinfo_count(vol, free_clusters))
        return fr_ok;
    if (g.fat_entries > max_counted_entries)
        return fr_no_filesystem;
    uint64_t count = 0;
    for (uint32_t cluster = 2; cluster < g.fat_entries; ++cluster) {
        const uint32_t next = fat_next_cluster(vol, cluster);
        if (next == UINT32_MAX)
            return fr_disk_err;
        count += next == 0;
    }
    free_clusters = count;
    return fr_ok;
}
