// Free space of a volume for the lists: what the mounted file system
// reports, else the file system's own count where it is cheap to read.
#pragma once

#include <cstdint>

#include "platform/disks.h"

// False when neither is known (the list then shows no number at all).
bool volume_free_bytes(const volume_info_s &volume, uint64_t &free_bytes);
