// The disk table with what the Linux backend needs beyond disk_info_s.
#pragma once

#include <string>
#include <vector>

#include "../disks.h"

struct disk_entry_s {
    disk_info_s info;
    std::string sys_name; // name under /sys/block; empty for an image file
    bool removable = false;
    bool probed = false; // a block device opened for its geometry and first sector
};

// Opens a block device's entry for its geometry, write protection and
// whether it answers a read; nothing for an image or an entry probed already.
void probe_disk(disk_entry_s &entry);

// Whole-disk block devices in a stable order (when the table lists them),
// then the table's images. Unprobed, the block devices are described from
// sysfs alone and never opened: enough to number the table and to find a
// volume, and a failing disk on the machine is not read for it.
std::vector<disk_entry_s> disk_entries(const disk_table_c &table, bool probe = true);

// The entry an image file gets in the table (also for images not added).
disk_entry_s describe_image(const std::string &path);

// Whether a /sys/block name is a whole disk we list (sd*, nvme*n*, mmcblk*,
// vd*, xvd*, and loop devices that have a backing file).
bool is_listed_disk_name(const std::string &name);

// Orders disk names so that sdb comes before sdaa and nvme2n1 before nvme10n1.
bool disk_name_less(const std::string &a, const std::string &b);
