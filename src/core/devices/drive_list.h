// The process-wide drive rows: one per disk of the disk table.
#pragma once

#include <QList>
#include <vector>

#include "drive_item.h"
#include "platform/disks.h"

// The header row, then one row per disk until the first disk whose geometry
// is unknown. The size is the geometry's (cylinders x heads x sectors x bytes).
QList<drive_item_s> build_drive_rows(const std::vector<disk_info_s> &disks);

// The rows of the disk table now. Reads the devices: any thread.
QList<drive_item_s> read_drive_rows();
// Makes rows the process-wide drive rows.
void set_drive_rows(const QList<drive_item_s> &rows);
const QList<drive_item_s> &drive_rows();
