// The repair of a disk's partition table from the partitions a search found:
// planned and shown first, then applied behind a backup of the table sectors.
//
// On a GPT disk whose primary or backup copy is whole, the other is rebuilt
// from it; otherwise the table is made new from the finds and the partitions
// the disk's table lists where nothing was found (they are kept): a GPT when
// the disk shows one was there, else an MBR, with logicals in an extended
// partition where primaries cannot go.
//
// A plan is refused, with a reason a user can act on, when the new table
// would damage the disk: the disk is in use, holds a file system from sector
// 0 on, a found partition starts at sector 0 or runs past the disk's end, or
// an existing partition would be lost without being named in `drop`. A disk
// whose table already lists what was found is not written again.
#pragma once

#include <QList>
#include <QString>

#include "core/devices/drive_item.h"
#include "mbr_backup.h"
#include "partition_item.h"
#include "platform/partition_table.h"
#include "sector_zero.h"
#include "table_layout.h"

enum class table_action_e {
    new_mbr,          // an MBR (and EBRs) from the partitions kept
    new_gpt,          // both copies of a GPT made new
    gpt_from_backup,  // the primary GPT rebuilt from the backup copy
    gpt_from_primary, // the backup GPT rebuilt from the primary copy
    protective_mbr,   // the GPT is whole; only its protective MBR is written
};

struct table_repair_plan_s {
    // What the plan was made from.
    drive_item_s drive;
    QList<partition_item_s> rows; // the search's rows, in the order found
    QList<int> drop;              // existing partitions the user agreed to lose

    // What it found and would write; filled as far as planning got.
    sector_bytes_t old_sector{};
    partition_table_s current; // the table on the disk now (scheme none: no table)
    table_action_e action = table_action_e::new_mbr;
    mbr_layout_s layout;                // the MBR to write (new_mbr)
    QList<partition_entry_s> new_table; // the partitions the table lists once written
    sector_bytes_t new_sector{};        // sector 0 once written
    sector_writes_t writes;             // every sector to write, sector 0 among them
    saved_sectors_t before;             // what the saved sectors held when planned
    QList<partition_entry_s> dropped;   // current partitions the new table leaves out
    bool ready = false;                 // every check passed; apply may write it

    // Whether the found row is written as a logical partition.
    bool is_logical(const partition_item_s &row) const;
};

// Reads the disk named by drive and checks the new table made from rows
// (a finished search's). 0 with plan.ready, or -1 with the reason in *error.
int plan_table_repair(const drive_item_s &drive, const QList<partition_item_s> &rows, const QList<int> &drop,
                      table_repair_plan_s &plan, QString *error);

// The checks on an open disk, without asking the system whether the disk is
// in use (plan_table_repair does that first).
int plan_table_repair_on(block_device_c &disk, table_repair_plan_s &plan, QString *error);

// Writes a ready plan: checks again that the disk is not in use and that the
// sectors it saves still hold what they held when planned, saves them to a
// new file in backup_folder (*backup_path), then writes the plan's sectors.
// 0, or -1 with *error; nothing is written on -1 unless *error says so.
int apply_table_repair(const table_repair_plan_s &plan, const QString &backup_folder, QString *backup_path,
                       QString *error);
