// Folders and files rebuilt from the structures a file system left behind
// (old FAT folder clusters, old MFT records), after a format wrote new ones.
// Each file is the stretches of the device that hold its bytes, in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engines/raw/raw_item.h"

// A stretch of a rebuilt file at this offset is a hole that reads as zeros.
constexpr uint64_t zeros_offset = UINT64_MAX;
using rebuilt_stretch_s = raw_piece_s;

struct rebuilt_folder_s {
    uint32_t parent = 0; // index of the folder it lies in; the root (0) is its own
    std::u16string name; // as stored on the disk: hostile, never a path
    int64_t modified = 0; // seconds since 1970 UTC; 0 when unknown
};

struct rebuilt_file_s {
    uint32_t folder = 0;
    std::u16string name;
    uint64_t size = 0; // what the entry or record said
    int64_t modified = 0, created = 0;
    // How many bytes of size the stretches hold: less when the volume ends
    // before the data does.
    uint64_t held = 0;
    uint64_t in_use = 0; // bytes of the stretches the new file system uses now
    std::vector<rebuilt_stretch_s> stretches;
};

struct rebuilt_tree_s {
    std::vector<rebuilt_folder_s> folders{rebuilt_folder_s{}}; // [0]: the root
    std::vector<rebuilt_file_s> files;

    bool empty() const { return files.empty() && folders.size() <= 1; }
};
