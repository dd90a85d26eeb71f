// Recognises the NTFS and FAT32 boot sectors that start a lost partition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

struct boot_sector_hit_s {
    const char *file_system; // "NTFS" or "FAT32"
    int type_id;             // MBR type byte to record
    uint64_t sector_count;   // the partition's length in sectors, never 0
};

// sector: the candidate boot sector; next: the sector after it (FAT32 needs
// its FSInfo signature). Lengths shorter than a sector never match. A boot
// sector that claims no sectors at all (or a length that wraps) is not a hit:
// such a partition would make the search stand still.
std::optional<boot_sector_hit_s> recognise_boot_sector(const uint8_t *sector, size_t sector_len, const uint8_t *next,
                                                       size_t next_len);

// The file system ("NTFS", "exFAT", "FAT") whose volume boot sector this
// 512-byte sector is, by its name field or by a FAT parameter block that
// holds together; null for anything else, a partition table included.
const char *volume_boot_sector_kind(const uint8_t *sector);
