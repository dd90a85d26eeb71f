// The volume list for the view: the process-wide rows as they are.
#pragma once

#include "row_list_model.h"
#include "volume_item.h"

using volume_model_c = row_list_model_t<volume_item_s>;
