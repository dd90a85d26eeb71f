// The lost-partition search as the partitions and repair commands run it.
#pragma once

#include "cli_args.h"
#include "core/partitions/partition_repair.h"

// Checks "COMMAND DISK [--option]...", makes the drive row for DISK and runs
// the search on it with a progress line. False, with the exit code in
// *exit_code and a message on stderr, when the command cannot go on.
bool run_disk_search(const cli_args_c &args, const char *command, const QSet<QString> &allowed_options,
                     partition_repair_c &search, int *exit_code);
