// A saved deep-scan result read back in place of a scan: the rows of the
// scan file and the volume found again by the device path stored in it.
#pragma once

#include "cli_args.h"
#include "found_scan.h"

// Reads the --result FILE into out (a raw engine, its volume and tree).
// Returns cli_ok, or an exit code after printing why on stderr.
int load_found_result(const cli_args_c &args, const char *command, found_scan_s &out);

// Writes a finished deep scan to the --save FILE; cli_ok or cli_failed.
int save_found_result(const found_scan_s &scan, const QString &path);
