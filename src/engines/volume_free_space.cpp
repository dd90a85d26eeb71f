#include "volume_free_space.h"

#include "libexfat/exfat_volume.h"
#include "libfat/fat_free_space.h"
#include "libntfs/free_space.h"

bool volume_free_bytes(const volume_info_s &volume, uint64_t &free_bytes)
{
    if (volume.free_known) {
        free_bytes = volume.free_bytes;
        return true;
    }
    if (!volume.mount_paths.empty())
        return false; // mounted, but the system would not say
    // The listing located it: opened from there, not looked up again.
    std::shared_ptr<block_device_c> device = open_volume(location_of(volume), open_mode_e::read);
    if (!device)
        return false;
    if (volume.fs_name == "NTFS")
        return ntfs_free_bytes(std::move(device), free_bytes);
    if (volume.fs_name == "exFAT") {
        exfat_volume_c vol;
        if (vol.open(std::move(device)) != exfat_ok || !vol.bitmap_loaded())
            return false;
        free_bytes = vol.free_clusters() * vol.geometry().cluster_bytes();
        return true;
    }
    if (volume.fs_name.rfind("FAT", 0) != 0)
        return false;
    fat_volume_s vol;
    fat_bind_volume(vol, std::move(device));
    uint64_t clusters = 0;
    if (fat_free_clusters(vol, clusters) != fr_ok)
        return false;
    free_bytes = clusters * vol.geometry.cluster_sectors * fat_layout::sector_bytes;
    return true;
}
