// Following a path ("/DIR/name") from the root, one name at a time.
#pragma once

#include <string>

#include "fat_dir.h"
#include "fat_file.h"

// Opens a directory of vol; mounts the volume on demand. An empty path or
// "/" opens the root. Each name must be a directory (else fr_no_path).
int fat_open_dir(fat_dir_s &dir, fat_volume_s &vol, const std::u16string &path);
// Opens a file of vol for reading by its path.
int fat_open_file(fat_file_s &file, fat_volume_s &vol, const std::u16string &path);
