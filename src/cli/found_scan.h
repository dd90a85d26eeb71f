// The part scan and recover share: resolve the target, pick the engine as
// the recovery page does, scan with a progress line and build the tree.
#pragma once

#include <memory>

#include "cli_args.h"
#include "devices/volume_item.h"
#include "engines/recovery_base.h"
#include "results/recovery_item.h"

struct found_scan_s {
    volume_item_s volume;
    engine_kind_e kind = engine_fat;
    std::unique_ptr<recovery_base_c> engine;
    found_folder_s tree;
};

// Returns cli_ok, or an exit code after printing why on stderr.
int run_found_scan(const cli_args_c &args, const char *command, found_scan_s &out);
