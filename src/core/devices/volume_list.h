// The process-wide volume records and the rows built from them.
#pragma once

#include <QList>
#include <vector>

#include "platform/disks.h"
#include "records/volume_item.h"

// Keeps the records to list, sorted by first mount path (the device name when
// there is none; ordinal UTF-16 order). Remote and optical volumes are never
// listed; fixed volumes on raw devices only when the process may read them.
QList<volume_info_s> select_volume_records(const std::vector<volume_info_s> &found, bool can_read_raw);

// The header row, then one row per record whose partition and disk numbers
// are known.
QList<volume_item_s> build_volume_rows(const QList<volume_info_s> &records);

// Reads an unmounted volume's free space from its file system; false when
// it cannot (the engines know how, this layer does not).
using free_space_fn = bool (*)(const volume_info_s &volume, uint64_t &free_bytes);

// The platform's volumes to list (select_volume_records), asking free_space
// for those whose mount does not say. Reads the devices: any thread.
QList<volume_info_s> read_volume_records(free_space_fn free_space);

// Makes records and the rows built from them the process-wide lists.
void set_volume_lists(const QList<volume_info_s> &records);

// Both at once, without free space beyond what the mounts say.
void enumerate_volumes();
const QList<volume_info_s> &volume_records();
const QList<volume_item_s> &volume_rows();
