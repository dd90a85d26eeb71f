#include "fat_state.h"

#include <algorithm>
#include <vector>

#include "platform/fat_layout.h"

recovery_state_e fat_item_state(fat_volume_s &vol, const fat_item_s &item)
{
    const fat_geometry_s &g = vol.geometry;
    const bool empty = item.size == 0 && !item.size_capped;
    if (item.cluster < 2 || item.cluster >= g.fat_entries || g.cluster_sectors == 0)
        return empty ? recovery_state_e::intact : recovery_state_e::no_data;
    if (!(item.attributes & fat_attr_deleted) || empty)
        return recovery_state_e::intact;
    const uint64_t cluster_bytes = uint64_t{g.cluster_sectors} * fat_layout::sector_bytes;
    const uint64_t count = std::max<uint64_t>(1, (item.size + cluster_bytes - 1) / cluster_bytes);
    const uint64_t last = std::min<uint64_t>(uint64_t{item.cluster} + count, g.fat_entries);
    uint64_t in_use = 0;
    for (uint64_t c = item.cluster; c < last; ++c) {
        // A FAT sector that cannot be read proves nothing free.
        if (fat_next_cluster(vol, static_cast<uint32_t>(c)) != 0)
            ++in_use;
    }
    return state_of_clusters_in_use(in_use, count);
}

void mark_fat_states(fat_volume_s &vol, fat_store_t &store)
{
    if (!vol.mounted())
        return;
    // In cluster order, so that the FAT is read sector after sector.
    std::vector<fat_item_s *> files;
    for (fat_item_s &item : store)
        if (!(item.attributes & fat_attr_directory))
            files.push_back(&item);
    std::sort(files.begin(), files.end(), [](const fat_item_s *a, const fat_item_s *b) { return a->cluster < b->cluster; });
    for (fat_item_s *item : files)
        item->state = fat_item_state(vol, *item);
}
