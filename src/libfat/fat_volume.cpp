#include "fat_volume.h"

#include <algorithm>
#include <atomic>

using namespace fat_layout;

static std::atomic<uint16_t> mount_counter{0};

void fat_bind_volume(fat_volume_s &vol, std::shared_ptr<block_device_c> device)
{
    vol.disk = device ? std::make_shared<fat_disk_c>(std::move(device)) : nullptr;
    vol.geometry = fat_geometry_s{};
    vol.backup_boot = false;
    vol.window_sector = UINT64_MAX;
}

// A FAT32 volume whose first sector was wiped still has the copy the boot
// sector named (sector 6 by convention, which is all we can trust then).
static int mount_from_backup(fat_volume_s &vol)
{
    if (fat_move_window(vol, boot::backup_sector_usual) != fr_ok)
        return fr_disk_err;
    fat_geometry_s g;
    if (parse_fat_boot(vol.window, sector_bytes, 0, g) != 0 || g.type != fat32)
        return fr_no_filesystem;
    vol.geometry = g;
    vol.backup_boot = true;
    return fr_ok;
}

int fat_find_volume(fat_volume_s &vol)
{
    if (vol.mounted())
        return fr_ok;
    vol.backup_boot = false;
    vol.window_sector = UINT64_MAX;
    if (!vol.disk)
        return fr_not_ready;
    // Only 512-byte sectors are understood; other disks carry no volume for us.
    if (vol.disk->sector_size() != sector_bytes)
        return fr_no_filesystem;
    if (fat_move_window(vol, 0) != fr_ok)
        return fr_disk_err;
    fat_geometry_s g;
    if (parse_fat_boot(vol.window, sector_bytes, 0, g) == 0) {
        vol.geometry = g;
    } else {
        if (classify_boot_sector(vol.window, sector_bytes) != boot_kind_e::not_boot)
            return fr_no_filesystem;
        int res = mount_from_backup(vol);
        if (res != fr_ok)
            return res;
    }
    vol.mount_id = ++mount_counter;
    return fr_ok;
}

int fat_validate(const fat_volume_s *vol, uint16_t mount_id)
{
    if (!vol || !vol->mounted() || vol->mount_id != mount_id)
        return fr_invalid_object;
    return vol->disk ? fr_ok : fr_not_ready;
}

int fat_move_window(fat_volume_s &vol, uint64_t sector)
{
    if (sector == vol.window_sector)
        return fr_ok;
    if (!vol.disk || vol.disk->read(vol.window, sizeof vol.window, sector, 1) != disk_ok) {
        vol.window_sector = UINT64_MAX;
        return fr_disk_err;
    }
    vol.window_sector = sector;
    return fr_ok;
}

uint32_t fat_next_cluster(fat_volume_s &vol, uint32_t cluster)
{
    const fat_geometry_s &g = vol.geometry;
    if (cluster < 2 || cluster >= g.fat_entries)
        return 1;
    if (g.type == fat_none)
        return 1;
    // Byte by byte through the window: a FAT12 entry may straddle two sectors.
    const uint64_t at = fat_entry_offset(g.type, cluster);
    uint8_t bytes[4];
    for (unsigned i = 0; i < fat_entry_width(g.type); ++i) {
        if (fat_move_window(vol, g.fat_start + (at + i) / sector_bytes) != fr_ok)
            return UINT32_MAX;
        bytes[i] = vol.window[(at + i) % sector_bytes];
    }
    return fat_entry_value(g.type, cluster, bytes);
}

uint64_t fat_entry_offset(fat_type_e type, uint32_t cluster)
{
    return type == fat12 ? cluster + cluster / 2 : uint64_t{cluster} * fat_entry_width(type);
}

uint32_t fat_entry_value(fat_type_e type, uint32_t cluster, const uint8_t *bytes)
{
    switch (type) {
    case fat12: {
        const uint32_t word = le16_at(bytes);
        return (cluster & 1) ? word >> 4 : word & 0xFFF;
    }
    case fat16:
        return le16_at(bytes);
    default:
        return le32_at(bytes) & 0x0FFFFFFF;
    }
}

uint64_t fat_cluster_sector(const fat_volume_s &vol, uint32_t cluster)
{
    const fat_geometry_s &g = vol.geometry;
    if (cluster < 2 || cluster >= g.fat_entries)
        return 0;
    return g.data_start + uint64_t{cluster - 2} * g.cluster_sectors;
}

uint32_t fat_entry_cluster(const fat_volume_s &vol, const uint8_t *entry)
{
    uint32_t cluster = le16_at(entry + entry::cluster_low);
    if (vol.geometry.type == fat32)
        cluster |= static_cast<uint32_t>(le16_at(entry + entry::cluster_high)) << 16;
    return cluster;
}

uint32_t fat_entries_held(const fat_volume_s &vol)
{
    const fat_geometry_s &g = vol.geometry;
    const uint64_t sectors = vol.disk ? vol.disk->size_bytes() / sector_bytes : 0;
    if (sectors <= g.data_start || g.cluster_sectors == 0)
        return std::min<uint32_t>(g.fat_entries, 2);
    return static_cast<uint32_t>(std::min<uint64_t>(g.fat_entries, 2 + (sectors - g.data_start) / g.cluster_sectors));
}
