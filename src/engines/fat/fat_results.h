// What the FAT engine's store shows: folders, rows, the found tree.
#pragma once

#include "fat_item.h"
#include "records/found_folder.h"

// A child folder: a directory record that leads to files, with a cluster.
bool fat_is_folder(const fat_item_s &item);
// A row: a file record with a cluster.
bool fat_is_row(const fat_item_s &item);
recovery_item_s fat_row(const fat_item_s &item);

found_folder_s build_fat_tree(const fat_store_t &store);
