// The repair of a disk's partition table from the partitions a search found:
// planned and shown first, then applied behind a backup of sector 0.
//
// A plan is refused, with a reason a user can act on, when the new table
// would damage the disk: the disk is in use, carries a GUID partition table,
// holds a file system from sector 0 on, a found partition starts at sector 0
// or runs past the disk's end, or an existing partition would be lost
// without being named in `drop`.
#pragma once

#include <QList>
#include <QString>

#include "core/devices/drive_item.h"
#include "partition_item.h"
#include "platform/partition_table.h"
#include "sector_zero.h"

struct table_repair_plan_s {
    // What the plan was made from.
    drive_item_s drive;
    QList<partition_item_s> rows; // the search's rows, in the order found
    QList<int> drop;              // existing partitions the user agreed to lose

    // What it found and would write; filled as far as planning got.
    sector_bytes_t old_sector{};
    partition_table_s current; // the table on the disk now (scheme none: no table)
    sector_bytes_t new_sector{};
    QList<partition_entry_s> dropped; // current partitions the new table leaves out
    int rows_left_out = 0;            // found partitions past the fourth entry
    bool ready = false;               // every check passed; apply may write it
};

// Reads the disk named by drive and checks the new table made from rows
// (a finished search's). 0 with plan.ready, or -1 with the reason in *error.
int plan_table_repair(const drive_item_s &drive, const QList<partition_item_s> &rows, const QList<int> &drop,
                      table_repair_plan_s &plan, QString *error);

// The checks on an open disk, without asking the system whether the disk is
// in use (plan_table_repair does that first).
int plan_table_repair_on(block_device_c &disk, table_repair_plan_s &plan, QString *error);

// Writes a ready plan: checks again that the disk is not in use and that
// planning on the disk now gives the same sector, saves the old sector 0 to
// a new file in backup_folder (*backup_path), then writes the new one.
// 0, or -1 with *error; nothing is written on -1 unless *error says so.
int apply_table_repair(const table_repair_plan_s &plan, const QString &backup_folder, QString *backup_path,
                       QString *error);
