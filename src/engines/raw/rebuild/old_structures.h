// What a format leaves of the file system before it: old FAT folder
// clusters and old MFT records, recognised in the blocks the deep scan reads
// anyway, then rebuilt into folders and named files.
#pragma once

#include <memory>
#include <vector>

#include "engines/raw/rebuild/old_fat_folders.h"
#include "engines/raw/rebuild/old_mft_records.h"

class old_structures_c {
public:
    // device: the volume, whose current file system's own structures are not old.
    explicit old_structures_c(std::shared_ptr<block_device_c> device) : mft_(std::move(device)) {}
    // Looks at every sector of a block the scan read (start: its offset on the device).
    void look_at(uint64_t start, const uint8_t *data, size_t len);
    // The folders and files of both kinds; empty when nothing old was seen.
    rebuilt_tree_s rebuild(std::shared_ptr<block_device_c> device) const;

private:
    std::vector<old_fat_folder_s> fat_folders_;
    old_mft_c mft_;
};

// Appends from's folders and files to into, from's root merged with into's.
void merge_rebuilt(rebuilt_tree_s &into, rebuilt_tree_s from);

// Drops the folders that hold no file, below them either: a folder deleted
// before the format keeps its "." and "..", but no live entry. Every
// folder's parent chain must lead to the root.
void drop_empty_folders(rebuilt_tree_s &tree);
