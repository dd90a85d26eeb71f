#include "boot_sector_naming.h"

#include "libfat/fat_boot.h"
#include "libntfs/boot_sector.h"
#include "platform/fat_layout.h"

namespace {

constexpr size_t sector_bytes = fat_layout::sector_bytes;

std::string named_by(const uint8_t *sector)
{
    fat_geometry_s fat;
    if (parse_fat_boot(sector, sector_bytes, 0, fat) == 0)
        return fat.type == fat32 ? "FAT32" : "FAT";
    ntfs_geometry_s ntfs;
    if (parse_boot_sector(byte_view_s{sector, sector_bytes}, ntfs))
        return "NTFS";
    return "";
}

} // namespace

std::string file_system_from_boot_sectors(block_device_c &volume)
{
    const uint64_t sectors = volume.size() / sector_bytes;
    if (sectors < 2)
        return "";
    uint8_t sector[sector_bytes];
    if (volume.read_exact(0, sector, sizeof sector))
        return named_by(sector);
    // The main boot sector is unreadable: NTFS keeps a copy in the last
    // sector, FAT32 in sector 6.
    if (volume.read_exact((sectors - 1) * sector_bytes, sector, sizeof sector)) {
        std::string name = named_by(sector);
        if (name == "NTFS")
            return name;
    }
    if (volume.read_exact(fat_layout::boot::backup_sector_usual * sector_bytes, sector, sizeof sector)) {
        std::string name = named_by(sector);
        if (name == "FAT32")
            return name;
    }
    return "";
}

namespace {

std::vector<volume_info_s> named(std::vector<volume_info_s> volumes)
{
    for (volume_info_s &v : volumes) {
        if (!v.probe_read_failed)
            continue;
        std::unique_ptr<block_device_c> device = open_volume(location_of(v), open_mode_e::read);
        if (device)
            v.fs_name = file_system_from_boot_sectors(*device);
    }
    return volumes;
}

} // namespace

std::vector<volume_info_s> listed_volumes()
{
    return named(list_volumes());
}

std::vector<volume_info_s> listed_volumes_of(int disk_number)
{
    return named(list_volumes_of(disk_number));
}
