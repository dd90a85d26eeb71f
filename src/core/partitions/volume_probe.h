// Recognises the file systems a lost partition may hold by their own
// structures (parameter blocks, superblocks, checksums), never by a name a
// formatter chose. Each probe also knows the copy its file system keeps
// further in, so a partition whose first sector is gone is still found.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

struct volume_find_s {
    const char *file_system; // "FAT12", "FAT16", "FAT32", "NTFS", "exFAT", "ext2/3/4", "swap"
    uint8_t mbr_type;        // the partition type byte that names it
    uint64_t start;          // the volume's first sector
    uint64_t sectors;        // its length, never 0
};

// Reads `count` 512-byte sectors at lba into out; false past the end of the
// disk or on a failed read.
using sector_reader_fn = std::function<bool(uint64_t lba, uint32_t count, uint8_t *out)>;

// Whether sector lba, whose 512 bytes are `sector`, is a structure that
// places a volume: its boot sector or superblock, or a backup copy of one
// (FAT32's at 6, exFAT's boot region at 12, NTFS's in the volume's last
// sector, an ext superblock in a later block group). read fetches any other
// sector the decision needs.
std::optional<volume_find_s> probe_volume_at(uint64_t lba, const uint8_t *sector, const sector_reader_fn &read);

// The partition type byte for a file system another prober named.
uint8_t mbr_type_for(const char *file_system);
