// The MBR a repair writes, laid out from the partitions it keeps: up to four
// primaries, or, when more are found or the disk already has an extended
// partition, primaries and one extended partition whose EBR chain holds the
// logicals.
#pragma once

#include <QList>
#include <QString>

#include "partition_item.h"
#include "platform/partition_table.h"
#include "sector_zero.h"

struct disk_geometry_s;

constexpr int mbr_extended_type = 0x05;

struct mbr_layout_s {
    QList<partition_item_s> primaries; // entries in table order; the extended partition among them
    QList<partition_item_s> logicals;  // in chain order
    QList<quint64> ebrs;               // the EBR sector of each logical
};

// rows: the partitions to keep, any order, none overlapping. An extended
// partition in current keeps its place and holds the rows inside it; without
// one, more than four rows put the longest run of rows that each leave a
// sector free before them (for their EBR) into a new one. 0, or -1 with
// *error when the rows cannot be written as an MBR.
int lay_out_mbr(QList<partition_item_s> rows, const partition_table_s &current, mbr_layout_s &out, QString *error);

// The partitions the layout makes, numbered as the system numbers them
// (1 to 4 for the entries, 5 on for the logicals).
QList<partition_entry_s> mbr_layout_entries(const mbr_layout_s &layout);

// Sector 0 (from old_sector, see build_repaired_mbr) and each EBR.
int build_mbr_writes(const mbr_layout_s &layout, const sector_bytes_t &old_sector, const disk_geometry_s &geometry,
                     sector_writes_t &writes, QString *error);
