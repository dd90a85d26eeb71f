#include "fat_volume.h"

#include "fat_drives.h"

using namespace fat_layout;

static fat_location_s locations[fat_logical_drives];
static fat_volume_s *volumes[fat_logical_drives];
static uint16_t mount_counter;

static fat_locator_fn &locator()
{
    static fat_locator_fn fn = [](const std::string &path, volume_location_s &out) {
        return locate_volume(path, out);
    };
    return fn;
}

fat_location_s &fat_location(unsigned drive)
{
    return locations[drive < fat_logical_drives ? drive : 0];
}

void set_fat_locator(fat_locator_fn fn)
{
    locator() = std::move(fn);
}

int fat_bind_volume(const std::string &volume_path)
{
    std::string path = volume_path;
    if (!path.empty() && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    volume_location_s where;
    if (!locator() || !locator()(path, where) || where.disk_number < 0 || where.partition_number < 0)
        return -1;
    fat_location_s &loc = fat_location(0);
    loc.disk = static_cast<unsigned>(where.disk_number);
    loc.partition = static_cast<unsigned>(where.partition_number);
    loc.start_sector = where.start_byte / sector_bytes;
    return 0;
}

int fat_mount(unsigned logical_drive, fat_volume_s *vol)
{
    if (logical_drive >= fat_logical_drives)
        return fr_invalid_drive;
    if (volumes[logical_drive])
        volumes[logical_drive]->geometry.type = fat_none;
    if (vol)
        vol->geometry.type = fat_none;
    volumes[logical_drive] = vol;
    return fr_ok;
}

static bool drive_ready(unsigned drive)
{
    return fat_drives().ready(drive);
}

static bool drive_probed_ready(unsigned drive)
{
    return drive < fat_drives().count() && !(fat_drives().status(drive) & disk_status_not_ready);
}

int fat_find_volume(unsigned logical_drive, fat_volume_s **out)
{
    if (logical_drive >= fat_logical_drives)
        return fr_invalid_drive;
    fat_volume_s *vol = volumes[logical_drive];
    *out = vol;
    if (!vol)
        return fr_not_enabled;
    if (vol->mounted() && drive_ready(vol->drive))
        return fr_ok;

    vol->geometry.type = fat_none;
    vol->window_sector = UINT64_MAX;
    const fat_location_s &loc = fat_location(logical_drive);
    vol->drive = loc.disk;
    if (!drive_probed_ready(vol->drive))
        return fr_not_ready;
    // Only 512-byte sectors are understood; other disks carry no volume for us.
    if (fat_drives().sector_size(vol->drive) != sector_bytes)
        return fr_no_filesystem;

    uint64_t base = 0;
    if (fat_move_window(*vol, 0) != fr_ok)
        return fr_disk_err;
    boot_kind_e kind = classify_boot_sector(vol->window, sector_bytes);
    if ((loc.partition != 0 && kind == boot_kind_e::fat) || kind == boot_kind_e::boot_without_fat) {
        base = loc.start_sector;
        if (fat_move_window(*vol, base) != fr_ok)
            return fr_disk_err;
    }
    fat_geometry_s g;
    if (parse_fat_boot(vol->window, sector_bytes, base, g) != 0)
        return fr_no_filesystem;
    vol->geometry = g;
    vol->mount_id = ++mount_counter;
    return fr_ok;
}

int fat_validate(const fat_volume_s *vol, uint16_t mount_id)
{
    if (!vol || !vol->mounted() || vol->mount_id != mount_id)
        return fr_invalid_object;
    return drive_ready(vol->drive) ? fr_ok : fr_not_ready;
}

int fat_move_window(fat_volume_s &vol, uint64_t sector)
{
    if (sector == vol.window_sector)
        return fr_ok;
    if (fat_drives().read(vol.drive, vol.window, sizeof vol.window, sector, 1) != disk_ok) {
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
    switch (g.type) {
    case fat12: {
        uint64_t at = cluster + cluster / 2;
        if (fat_move_window(vol, g.fat_start + at / sector_bytes) != fr_ok)
            break;
        uint32_t word = vol.window[at % sector_bytes];
        ++at;
        if (fat_move_window(vol, g.fat_start + at / sector_bytes) != fr_ok)
            break;
        word |= static_cast<uint32_t>(vol.window[at % sector_bytes]) << 8;
        return (cluster & 1) ? word >> 4 : word & 0xFFF;
    }
    case fat16:
        if (fat_move_window(vol, g.fat_start + cluster / (sector_bytes / 2)) != fr_ok)
            break;
        return u16(vol.window + cluster * 2 % sector_bytes);
    case fat32:
        if (fat_move_window(vol, g.fat_start + cluster / (sector_bytes / 4)) != fr_ok)
            break;
        return u32(vol.window + cluster * 4 % sector_bytes) & 0x0FFFFFFF;
    default:
        return 1;
    }
    return UINT32_MAX;
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
    uint32_t cluster = u16(entry + entry::cluster_low);
    if (vol.geometry.type == fat32)
        cluster |= static_cast<uint32_t>(u16(entry + entry::cluster_high)) << 16;
    return cluster;
}

fat_volume_s &fat_reader_volume()
{
    static fat_volume_s vol;
    return vol;
}
