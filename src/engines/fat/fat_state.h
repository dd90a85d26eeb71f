// The recovery state of the FAT engine's finds: the clusters a deleted file
// is restored from (consecutive ones from its first) against the FAT as it
// is now.
#pragma once

#include "fat_item.h"
#include "fat_volume.h"

// The state of one item on a mounted volume. A live file is intact; a
// deleted one is intact when none of its clusters is in use now.
recovery_state_e fat_item_state(fat_volume_s &vol, const fat_item_s &item);

// Sets the state of every file record of a finished scan.
void mark_fat_states(fat_volume_s &vol, fat_store_t &store);
