#include "fat_usage.h"

#include <algorithm>

using fat_layout::sector_bytes;

bool fat_usage_reader_c::in_use(uint32_t cluster)
{
    const fat_geometry_s &g = vol_.geometry;
    const uint64_t at = fat_entry_offset(g.type, cluster);
    if (!cover(at, fat_entry_width(g.type)))
        return true;
    return fat_entry_value(g.type, cluster, block_.data() + (at - first_byte_)) != 0;
}

bool fat_usage_reader_c::cover(uint64_t at, uint64_t width)
{
    if (loaded_ && at >= first_byte_ && at + width <= first_byte_ + block_.size())
        return true;
    const fat_geometry_s &g = vol_.geometry;
    if (at + width > uint64_t{g.fat_sectors} * sector_bytes)
        return false;
    // Aligned blocks serve passes in either direction; a FAT12 entry that
    // straddles two of them is read from its own sector on.
    uint64_t first_sector = at / sector_bytes / block_sectors * block_sectors;
    if (at + width > (first_sector + block_sectors) * sector_bytes)
        first_sector = at / sector_bytes;
    const uint64_t count = std::min<uint64_t>(block_sectors, g.fat_sectors - first_sector);
    block_.resize(static_cast<size_t>(count * sector_bytes));
    loaded_ = vol_.disk &&
        vol_.disk->read(block_.data(), block_.size(), g.fat_start + first_sector, static_cast<uint8_t>(count)) ==
            disk_ok;
    first_byte_ = first_sector * sector_bytes;
    return loaded_ && at + width <= first_byte_ + block_.size();
}
