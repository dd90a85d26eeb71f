// Old FAT folders found anywhere on a volume: a cluster that starts with
// "." naming itself and ".." naming its parent is a folder, whatever FAT
// (or none) the volume holds now. After a format their entries still name
// the files and folders below them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engines/raw/rebuild/rebuilt_tree.h"
#include "platform/block_device.h"

struct old_fat_folder_s {
    uint64_t offset = 0;  // of its first byte on the device
    uint32_t cluster = 0; // its own first cluster, as "." says
    uint32_t parent = 0;  // its parent's first cluster, as ".." says (0: the root)
};

// Whether the 512 bytes at offset start an old folder: "." naming its own
// cluster, then "..", both sound directory entries.
bool old_fat_folder_at(const uint8_t *sector, uint64_t offset, old_fat_folder_s &out);

// Where clusters lie: cluster c starts at data_start + (c - 2) x cluster_bytes.
struct old_fat_layout_s {
    uint64_t data_start = 0;
    uint32_t cluster_bytes = 0;
};

// The layout placing the most folders on their own cluster, among the one
// the volume's boot sector gives now (boot_layout, cluster_bytes 0: none)
// and those two found folders imply; cluster_bytes 0 when none places any.
old_fat_layout_s old_fat_layout(const std::vector<old_fat_folder_s> &folders, old_fat_layout_s boot_layout);

// Rebuilds folders and files from the found folders: names from their
// parents' entries (long names where their checksums match), folders whose
// parent is gone under the root as "folder <cluster>", files as one run from
// their first cluster cut where the device ends. Folders the volume's
// current FAT still uses are its own, not old, and left out.
rebuilt_tree_s rebuild_old_fat(std::shared_ptr<block_device_c> device, std::vector<old_fat_folder_s> folders);
