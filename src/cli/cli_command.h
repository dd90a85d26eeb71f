// Sub-commands of tarnrecovery-cli. Each lives in its own cmd_*.cpp and
// registers itself with a static cli_command_registrar.
#pragma once

#include <QString>
#include <QStringList>

#include "cli_args.h"

// Exit codes shared by every command.
enum cli_exit_e {
    cli_ok = 0,
    cli_failed = 1,     // the work ran but something was not done (a file not restored...)
    cli_bad_target = 2, // usage error, or a missing or unreadable target
};

using cli_command_fn = int (*)(const cli_args_c &args);

struct cli_command_s {
    const char *name;
    cli_command_fn run;
    const char *usage; // one line: arguments and options
    const char *summary;
};

class cli_command_registrar {
public:
    explicit cli_command_registrar(const cli_command_s &command);
};

const QList<cli_command_s> &cli_commands();
