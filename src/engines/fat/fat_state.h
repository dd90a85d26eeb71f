// The recovery state of the FAT engine's finds: the clusters a deleted file
// is restored from (consecutive ones from its first) against the FAT as it
// is now.
#pragma once

#include "fat_item.h"
#include "fat_volume.h"

// Sets the state of every file record of a finished scan.
void mark_fat_states(fat_volume_s &vol, fat_store_t &store);
