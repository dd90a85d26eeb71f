// Tells a volume boot sector in sector 0 from a partition table.
#pragma once

#include <cstddef>
#include <cstdint>

// The file system ("NTFS", "exFAT", "FAT") whose volume boot sector this
// 512-byte sector is, by its name field or by a FAT parameter block that
// holds together; null for anything else, a partition table included.
const char *volume_boot_sector_kind(const uint8_t *sector);
