// What every rebuilt tree holds to, whatever bytes it was read from.
#pragma once

#include <cstdlib>

#include "engines/raw/rebuild/rebuilt_tree.h"

// Aborts unless every folder and file lies in a folder that is there, every
// parent chain reaches the root without a cycle, and every file's stretches
// lie on the device (or are holes) and add up to what it holds.
inline void check_rebuilt(const rebuilt_tree_s &tree, uint64_t device_size)
{
    const size_t folders = tree.folders.size();
    if (folders == 0)
        abort();
    for (size_t i = 1; i < folders; ++i) {
        size_t steps = 0;
        for (uint32_t at = static_cast<uint32_t>(i); at != 0; at = tree.folders[at].parent)
            if (tree.folders[at].parent >= folders || ++steps > folders)
                abort();
    }
    for (const rebuilt_file_s &file : tree.files) {
        if (file.folder >= folders || file.held > file.size || file.in_use > file.held)
            abort();
        uint64_t total = 0;
        for (const rebuilt_stretch_s &s : file.stretches) {
            if (s.offset != zeros_offset && (s.offset > device_size || s.length > device_size - s.offset))
                abort();
            total += s.length;
        }
        if (total != file.held)
            abort();
    }
}
