#include "fat_state.h"

#include <algorithm>
#include <vector>

#include "platform/fat_layout.h"

using fat_layout::sector_bytes;

namespace {

// Whether clusters are in use, read from the first FAT in blocks of many
// sectors: a scan's finds come in cluster order, and one sector at a time
// would cost a device read per 128 to 341 entries.
class fat_usage_reader_c {
public:
    explicit fat_usage_reader_c(fat_volume_s &vol) : vol_(vol) {}

    // A FAT that cannot be read proves nothing free: counted as in use.
    bool in_use(uint32_t cluster)
    {
        const fat_geometry_s &g = vol_.geometry;
        const uint64_t at = fat_entry_offset(g.type, cluster);
        if (!cover(at, fat_entry_width(g.type)))
            return true;
        return fat_entry_value(g.type, cluster, block_.data() + (at - first_byte_)) != 0;
    }

private:
    bool cover(uint64_t at, uint64_t width)
    {
        if (loaded_ && at >= first_byte_ && at + width <= first_byte_ + block_.size())
            return true;
        const fat_geometry_s &g = vol_.geometry;
        if (at + width > uint64_t{g.fat_sectors} * sector_bytes)
            return false;
        const uint64_t first_sector = at / sector_bytes;
        const uint64_t count = std::min<uint64_t>(block_sectors, g.fat_sectors - first_sector);
        block_.resize(static_cast<size_t>(count * sector_bytes));
        loaded_ = vol_.disk &&
            vol_.disk->read(block_.data(), block_.size(), g.fat_start + first_sector, static_cast<uint8_t>(count)) ==
                disk_ok;
        first_byte_ = first_sector * sector_bytes;
        return loaded_ && at + width <= first_byte_ + block_.size();
    }

    static constexpr uint64_t block_sectors = 128;
    fat_volume_s &vol_;
    std::vector<uint8_t> block_;
    uint64_t first_byte_ = 0;
    bool loaded_ = false;
};

// A live file is intact; a deleted one is intact when none of its clusters
// is in use now.
recovery_state_e item_state(fat_volume_s &vol, fat_usage_reader_c &fat, const fat_item_s &item)
{
    const fat_geometry_s &g = vol.geometry;
    const bool empty = item.size == 0 && !item.size_capped;
    if (item.cluster < 2 || item.cluster >= g.fat_entries || g.cluster_sectors == 0)
        return empty ? recovery_state_e::intact : recovery_state_e::no_data;
    if (!(item.attributes & fat_attr_deleted) || empty)
        return recovery_state_e::intact;
    const uint64_t cluster_bytes = uint64_t{g.cluster_sectors} * sector_bytes;
    const uint64_t count = std::max<uint64_t>(1, (item.size + cluster_bytes - 1) / cluster_bytes);
    const uint64_t last = std::min<uint64_t>(uint64_t{item.cluster} + count, g.fat_entries);
    uint64_t in_use = 0;
    for (uint64_t c = item.cluster; c < last; ++c)
        in_use += fat.in_use(static_cast<uint32_t>(c));
    return state_of_clusters_in_use(in_use, count);
}

} // namespace

void mark_fat_states(fat_volume_s &vol, fat_store_t &store)
{
    if (!vol.mounted())
        return;
    // In cluster order, so that each block of the FAT is read once.
    std::vector<std::pair<uint32_t, fat_item_s *>> files;
    files.reserve(static_cast<size_t>(store.size()));
    for (fat_item_s &item : store)
        if (!(item.attributes & fat_attr_directory))
            files.emplace_back(item.cluster, &item);
    std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    fat_usage_reader_c fat(vol);
    for (const auto &file : files)
        file.second->state = item_state(vol, fat, *file.second);
}
