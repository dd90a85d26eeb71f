// What a command works on: a volume given as its device path (/dev/sdb1), a
// mount path, a volume name path, or an image file (a whole-volume image, or
// a disk image with --partition N). Images named with --image are added to the
// disk table first.
#pragma once

#include <QString>

#include "cli_args.h"
#include "devices/volume_item.h"

// Adds every --image FILE to the disk table. False (and a message on stderr)
// when one cannot be read.
bool add_cli_images(const cli_args_c &args);

// Resolves the first positional word (and --partition) to a volume row.
// Returns false with a readable reason in *error.
bool resolve_target(const cli_args_c &args, volume_item_s &out, QString *error);

// Resolves a whole disk: a block device path, a disk image file (added to the
// disk table) or a disk-table index. Returns false with a reason in *error.
bool resolve_disk(const QString &word, int &disk_number, QString *error);
