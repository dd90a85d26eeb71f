// The GUID partition table a repair writes: rebuilt from the copy that
// survived, or made new from the partitions it keeps.
#pragma once

#include <QList>

#include "partition_item.h"
#include "platform/block_device.h"
#include "platform/gpt_copy.h"
#include "platform/partition_table.h"
#include "sector_zero.h"

constexpr quint64 gpt_array_sectors = 32; // 128 entries of 128 bytes
constexpr quint64 gpt_first_usable = 2 + gpt_array_sectors;

// A random GUID, in the byte order the table stores.
guid_bytes_t new_gpt_guid();

// The type GUID a file system's partition gets ("NTFS", "ext4", "swap"...).
guid_bytes_t gpt_type_for(const QString &file_system);

// The disk GUID a header on the disk still names, damaged or not; false
// when neither header keeps one.
bool surviving_disk_guid(block_device_c &disk, guid_bytes_t &guid);

// Sector 0 as a protective MBR over the whole disk, keeping old_sector's boot
// code and disk signature.
sector_bytes_t protective_mbr(const sector_bytes_t &old_sector, quint64 disk_sectors);

// The missing copy rebuilt from `whole` (the primary at 1 when to_primary,
// otherwise the backup in the last sector): its header with its own places
// and CRC, and the same entry array.
void mirror_gpt_copy(const gpt_copy_s &whole, bool to_primary, quint64 disk_sectors, sector_writes_t &writes);

// Both copies of a new table listing rows (sorted by start), their types
// taken from the same partition in current when it has one, else from the
// file system. 0, or -1 with *error when a row lies outside the usable
// sectors or there are more than 128.
int build_new_gpt(const QList<partition_item_s> &rows, const partition_table_s &current, const guid_bytes_t &disk_guid,
                  quint64 disk_sectors, sector_writes_t &writes, QList<partition_entry_s> &entries, QString *error);
