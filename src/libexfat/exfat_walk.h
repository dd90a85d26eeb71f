// Walks every folder of an exFAT volume from the root, deleted folders too,
// and hands each sound entry set found to a visitor. Sets that fail their
// checks are skipped and counted; a folder is read once however often it is
// named, so a folder that names itself or an ancestor ends the walk there.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "exfat_entry_set.h"
#include "exfat_volume.h"

struct exfat_found_s {
    exfat_set_s set;
    uint64_t id = 0;     // byte offset of the file entry from the volume's start; never 0
    uint64_t parent = 0; // id of the folder it was found in; 0 for the root
    bool in_deleted = false; // reached through a deleted folder
};

// What the walk skipped or cut, for the scan's note.
struct exfat_walk_counts_s {
    uint64_t bad_sets = 0;       // checksum, count or hash failed
    uint64_t cut_names = 0;      // a name longer than its entries
    uint64_t outside = 0;        // folders whose first cluster lies outside the heap
    uint64_t walked_again = 0;   // folders already read (a folder inside itself)
    uint64_t broken_chains = 0;  // folders whose FAT chain looped or broke off
    uint64_t unreadable = 0;     // folders that could not be read
    uint64_t unread = 0;         // folders left when the walk had read all it may
};

// Returns false to stop the walk.
using exfat_visit_fn = std::function<bool(const exfat_found_s &)>;

// Walks vol (opened) and returns what it skipped.
exfat_walk_counts_s exfat_walk(exfat_volume_c &vol, const exfat_visit_fn &visit);

// One sound set among a folder's bytes and where its file entry starts.
struct exfat_set_at_s {
    exfat_set_s set;
    size_t offset = 0;
};

// Every sound entry set in a folder's bytes, up to the end-of-folder entry;
// what fails its checks is counted and skipped one entry at a time.
void exfat_parse_folder(const uint8_t *bytes, size_t len, const exfat_upcase_c &upcase,
                        std::vector<exfat_set_at_s> &sets, exfat_walk_counts_s &counts);
