// What the NTFS engine's store shows: folders, rows, the found tree.
#pragma once

#include "ntfs_item.h"
#include "records/found_folder.h"

// A child folder: a directory that leads to a stored file, not a system record.
bool ntfs_is_folder(const ntfs_item_s &item);
// A row: a file entry that is not a system record.
bool ntfs_is_row(const ntfs_item_s &item);
// A live entry is intact; a deleted one as the library judged its data.
recovery_state_e ntfs_item_state(const ntfs_item_s &item);
recovery_item_s ntfs_row(const ntfs_item_s &item);

// "/" holds the root record's (id 5) files, then the folders below it.
found_folder_s build_ntfs_tree(const ntfs_store_t &store);
