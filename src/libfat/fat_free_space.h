// Free clusters of a FAT volume as the file system counts them.
#pragma once

#include <cstdint>

#include "fat_volume.h"

// FAT32: the FSInfo count when it is plausible; FAT12/16 and small FAT32
// volumes without one: the free entries of the FAT. Mounts vol on demand.
// fr_no_filesystem when neither is cheap or sound.
int fat_free_clusters(fat_volume_s &vol, uint64_t &free_clusters);
