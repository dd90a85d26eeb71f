// Where the FAT engine's deleted files can still be read, and what that is
// worth. A deleted file is restored from consecutive clusters from its first
// one, so its data can lie only in clusters that are free now, inside the
// data area the device holds, and short of where a record not known to be
// older begins; a size that runs further is damage or a fragmented file.
#pragma once

#include "fat_item.h"
#include "libfat/fat_volume.h"

// Over a finished scan: cuts each deleted file's size to the clusters its
// data can lie in (marking it size_capped) and sets the state of every file
// record, from the FAT and from the deleted files not known to be older
// whose runs reach into it.
void mark_fat_states(fat_volume_s &vol, fat_store_t &store);
