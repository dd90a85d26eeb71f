// The row filter options of scan and recover: --name, --type, --min-size,
// --max-size, --since, --until, --state.
#pragma once

#include <QSet>
#include <QString>

#include "cli_args.h"
#include "records/row_filter.h"

// The filter options' names; each takes a value.
QSet<QString> cli_filter_options();
// Those of them that may be given more than once, each adding to the rest.
QSet<QString> cli_filter_repeatable_options();
// The usage text of the filter options.
const char *cli_filter_usage();
// Fills filter from the options; prints the reason and returns false when a
// value does not parse (the command then stops with cli_bad_target).
bool read_cli_filter(const char *command, const cli_args_c &args, row_filter_c *filter);
