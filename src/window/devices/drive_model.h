// The drive list for the view: a copy of the process-wide rows.
#pragma once

#include "core/devices/drive_item.h"
#include "row_list_model.h"

// The device path.
QString row_text(const drive_item_s &row);

using drive_model_c = row_list_model_t<drive_item_s>;
