// The row of one disk of the disk table, built alone (the drive list stops at
// the first disk without geometry).
#pragma once

#include <QString>

#include "drive_item.h"

// Builds the row of disk table entry disk_number (path, size and geometry as
// the drive list shows them). False with *error when there is no such disk or
// its geometry is unknown.
bool drive_row_for_disk(int disk_number, drive_item_s &out, QString *error);
