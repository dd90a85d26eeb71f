// The process-wide volume records and the rows built from them.
#pragma once

#include <QList>
#include <vector>

#include "platform/disks.h"
#include "volume_item.h"

// Keeps the records to list, sorted by first mount path (the device name when
// there is none; ordinal UTF-16 order). Remote and optical volumes are never
// listed; fixed volumes on raw devices only when the process may read them.
QList<volume_info_s> select_volume_records(const std::vector<volume_info_s> &found, bool can_read_raw);

// The header row, then one row per record whose partition and disk numbers
// are known.
QList<volume_item_s> build_volume_rows(const QList<volume_info_s> &records);

// Rebuilds both process-wide lists from the platform's volumes.
void enumerate_volumes();
const QList<volume_info_s> &volume_records();
const QList<volume_item_s> &volume_rows();
