// The FAT layer: the volume object bound to the volume's own device, its
// one-sector window, and cluster arithmetic over the FAT.
#pragma once

#include <cstdint>
#include <memory>

#include "fat_boot.h"
#include "fat_disk.h"
#include "platform/fat_layout.h"

enum fat_result_e : int {
    fr_ok = 0,
    fr_disk_err = 1,
    fr_int_err = 2,
    fr_not_ready = 3,
    fr_no_file = 4,
    fr_no_path = 5,
    fr_invalid_name = 6,
    fr_denied = 7,
    fr_invalid_object = 9,
    fr_not_enabled = 12,
    fr_no_filesystem = 13,
    fr_not_enough_core = 17,
};

// One volume the reader works on. The owner (an engine, a test) keeps it as
// long as objects opened on it are used.
struct fat_volume_s {
    std::shared_ptr<fat_disk_c> disk; // none: no volume bound
    fat_geometry_s geometry;          // geometry.type == fat_none: not mounted
    uint16_t mount_id = 0;
    bool backup_boot = false; // sector 0 was no FAT boot sector; the FAT32 copy was read
    uint64_t window_sector = UINT64_MAX;
    uint8_t window[fat_layout::sector_bytes] = {};

    bool mounted() const { return geometry.type != fat_none; }
};

// Binds vol to a device whose offset 0 is the volume's first byte (null:
// unbinds). Objects of an earlier mount become invalid; the file system is
// read on first use.
void fat_bind_volume(fat_volume_s &vol, std::shared_ptr<block_device_c> device);
// Mounts the volume unless it is mounted already.
int fat_find_volume(fat_volume_s &vol);
// The checks every operation on an object makes first.
int fat_validate(const fat_volume_s *vol, uint16_t mount_id);

int fat_move_window(fat_volume_s &vol, uint64_t sector);
// The FAT entry of cluster; 1 when cluster is out of range, UINT32_MAX on a disk error.
uint32_t fat_next_cluster(fat_volume_s &vol, uint32_t cluster);
// Where cluster's entry starts in the FAT, in bytes, and how many bytes hold it.
uint64_t fat_entry_offset(fat_type_e type, uint32_t cluster);
inline unsigned fat_entry_width(fat_type_e type)
{
    return type == fat32 ? 4 : 2;
}
// The entry of cluster from the fat_entry_width bytes at its offset.
uint32_t fat_entry_value(fat_type_e type, uint32_t cluster, const uint8_t *bytes);
// First sector of a data cluster; 0 when the cluster is outside the volume.
uint64_t fat_cluster_sector(const fat_volume_s &vol, uint32_t cluster);
// First cluster of a directory entry (high half only on FAT32).
uint32_t fat_entry_cluster(const fat_volume_s &vol, const uint8_t *entry);
// One past the last cluster whose data the device holds: fat_entries, or less
// when the device is shorter than the volume.
uint32_t fat_entries_held(const fat_volume_s &vol);
// The volume's length as its boot sector gives it, in bytes.
inline uint64_t fat_volume_bytes(const fat_volume_s &vol)
{
    return vol.geometry.total_sectors * fat_layout::sector_bytes;
}
