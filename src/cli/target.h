// What a command works on, taken from its words: the positional TARGET with
// --partition N, and the --image FILEs added to the disk table first.
#pragma once

#include <QString>

#include "cli_args.h"
#include "records/volume_item.h"
#include "core/devices/volume_lookup.h"

// Adds every --image FILE to the disk table. False (and a message on stderr)
// when one cannot be read.
bool add_cli_images(const cli_args_c &args);

// Resolves the first positional word (and --partition) to a volume row.
// Returns false with a readable reason in *error.
bool resolve_target(const cli_args_c &args, volume_item_s &out, QString *error);
