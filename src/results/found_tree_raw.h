// The deep scan's folders: one per type name, holding that type's finds.
#pragma once

#include "recovery_item.h"

class raw_recovery_c;

found_folder_s build_raw_tree(const raw_recovery_c &engine);
