// The FAT layer: where logical drive 0 lies on its disk, the mounted volume
// object with its one-sector window, and cluster arithmetic over the FAT.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "fat_boot.h"
#include "fat_layout.h"
#include "platform/disks.h"

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
    fr_invalid_drive = 11,
    fr_not_enabled = 12,
    fr_no_filesystem = 13,
    fr_not_enough_core = 17,
};

constexpr unsigned fat_logical_drives = 10;

// Where a logical drive's volume lies (start in 512-byte sectors).
struct fat_location_s {
    unsigned disk = 0;
    unsigned partition = 0;
    uint64_t start_sector = 0;
};

fat_location_s &fat_location(unsigned drive);

// Finds a volume by its volume name path; tests set their own resolver.
using fat_locator_fn = std::function<bool(const std::string &volume_path, volume_location_s &out)>;
void set_fat_locator(fat_locator_fn locator);

// Stores the disk, partition and start of the named volume as the location
// of logical drive 0. 0, or -1 (location unchanged) when it cannot be found.
int fat_bind_volume(const std::string &volume_path);

struct fat_volume_s {
    fat_geometry_s geometry;       // geometry.type == fat_none: not mounted
    unsigned drive = 0;            // index in the drive table
    uint16_t mount_id = 0;
    uint64_t window_sector = UINT64_MAX;
    uint8_t window[fat_layout::sector_bytes] = {};

    bool mounted() const { return geometry.type != fat_none; }
};

// Registers vol for a logical drive (11 above 9); the volume is read on first use.
int fat_mount(unsigned logical_drive, fat_volume_s *vol);
// Mounts the drive's volume unless it is mounted and ready; *vol gets it.
int fat_find_volume(unsigned logical_drive, fat_volume_s **vol);
// The checks every operation on an object makes first.
int fat_validate(const fat_volume_s *vol, uint16_t mount_id);

int fat_move_window(fat_volume_s &vol, uint64_t sector);
// The FAT entry of cluster; 1 when cluster is out of range, UINT32_MAX on a disk error.
uint32_t fat_next_cluster(fat_volume_s &vol, uint32_t cluster);
// First sector of a data cluster; 0 when the cluster is outside the volume.
uint64_t fat_cluster_sector(const fat_volume_s &vol, uint32_t cluster);
// First cluster of a directory entry (high half only on FAT32).
uint32_t fat_entry_cluster(const fat_volume_s &vol, const uint8_t *entry);

// The reader's one volume object, which the FAT engine mounts as drive 0.
fat_volume_s &fat_reader_volume();
