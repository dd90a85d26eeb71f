// The partitions found so far, for the view: a title row (empty file
// system) and then a copy of the search's rows. The repair reads the
// search's own rows, never this list.
#pragma once

#include "window/devices/row_list_model.h"
#include "core/partitions/partition_item.h"

// File system and sector range.
QString row_text(const partition_item_s &row);

using partition_model_c = row_list_model_t<partition_item_s>;

// A model over a title row and the rows.
partition_model_c *make_partition_model(const QList<partition_item_s> &found, QObject *parent);
