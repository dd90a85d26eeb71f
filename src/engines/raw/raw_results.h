// What the deep-scan engine's table shows: one folder per type name.
#pragma once

#include "records/found_folder.h"

class raw_recovery_c;

found_folder_s build_raw_tree(const raw_recovery_c &engine);
