// The part scan and recover share: the target (a volume scanned now, or a
// saved deep scan read back) run through a scan session with a progress line.
#pragma once

#include <functional>

#include "cli_args.h"
#include "core/session/scan_session.h"

// Scans the TARGET (or reads the --result FILE) into session. accept, when
// given, sees the volume before it is scanned and may refuse it (after
// saying why). Returns cli_ok, or an exit code after printing why on stderr.
int run_session_target(const cli_args_c &args, const char *command, scan_session_c &session,
                       const std::function<bool(const volume_item_s &)> &accept = nullptr);
