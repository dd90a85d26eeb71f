// Builds the master boot record that the repair writes to sector 0.
#pragma once

#include <QList>
#include <QString>
#include <cstdint>

#include "partition_item.h"
#include "platform/mbr_layout.h"
#include "sector_zero.h"

struct disk_geometry_s;

// The CHS address of sector lba. Without a usable geometry (zero heads or
// sectors per track), or past cylinder 1023, it is the "beyond CHS" address
// that encodes as FE FF FF.
chs_address_s chs_address_for(uint64_t lba, uint32_t heads, uint32_t sectors_per_track);

// Makes the new sector 0 from the old one: our boot code, the old disk
// signature, entry k from row k (the first that is not an extended partition
// active), entries past the last row
// cleared, rows past the fourth left out. Returns 0, or -1 with *error when
// there is no row or a row does not fit the table's 32-bit fields.
int build_repaired_mbr(const sector_bytes_t &old_sector, const QList<partition_item_s> &rows,
                       const disk_geometry_s &geometry, sector_bytes_t &out, QString *error);
