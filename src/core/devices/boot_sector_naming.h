// Volumes whose libblkid probe failed on a read error (a failing disk) are
// named by our own boot-sector checks, so that one bad sector where the
// probe looks does not hide a volume whose file system is still whole.
#pragma once

#include <string>
#include <vector>

#include "platform/disks.h"

// "FAT", "FAT32" or "NTFS" from the volume's boot sector, or from the copy
// its file system keeps when that one cannot be read; empty when neither
// parses.
std::string file_system_from_boot_sectors(block_device_c &volume);

// The platform's volumes, those its probe could not read named as above.
std::vector<volume_info_s> listed_volumes();
// The same for table entry disk_number alone, reading no other disk.
std::vector<volume_info_s> listed_volumes_of(int disk_number);
