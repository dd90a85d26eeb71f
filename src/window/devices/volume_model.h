// The volume list for the view: a copy of the process-wide rows.
#pragma once

#include "row_list_model.h"
#include "records/volume_item.h"

// The name and mount path, as the list shows them.
QString row_text(const volume_item_s &row);

using volume_model_c = row_list_model_t<volume_item_s>;
