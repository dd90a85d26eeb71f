// One directory entry set: a file entry (0x85), its stream extension (0xC0)
// and file name entries (0xC1), checked as a whole before it is believed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "exfat_upcase.h"

struct exfat_set_s {
    bool deleted = false;  // the in-use bit of the file entry is clear
    size_t entries = 0;    // 32-byte entries the set takes, file entry included
    uint16_t attributes = 0;
    uint32_t created = 0;  // packed timestamps
    uint32_t modified = 0;
    uint8_t created_10ms = 0;
    uint8_t modified_10ms = 0;
    uint8_t created_utc = 0; // bit 7: valid; bits 0-6: signed quarter hours
    uint8_t modified_utc = 0;
    uint8_t stream_flags = 0;
    uint64_t valid_length = 0;
    uint64_t data_length = 0;
    uint32_t first_cluster = 0;
    std::u16string name;
    bool name_cut = false; // NameLength asked for more characters than the set's name entries hold

    bool is_directory() const;
    bool no_fat_chain() const;
};

enum class exfat_set_check_e {
    ok,
    not_a_set,    // the first entry is no file entry
    truncated,    // the set runs past the bytes given
    bad_count,    // the secondary count, or the entries it counts, do not make a set
    bad_checksum, // SetChecksum does not match
    bad_hash,     // NameHash does not match the up-cased name
};

// The SetChecksum of a set of count entries; for a deleted set each entry's
// type is taken with its in-use bit set, as it was when the sum was written.
uint16_t exfat_set_checksum(const uint8_t *set, size_t count, bool deleted);
// The NameHash of a name up-cased by table.
uint16_t exfat_name_hash(const char16_t *name, size_t length, const exfat_upcase_c &table);

// Reads the set that starts at entries (len bytes of whole entries). The
// name hash is checked only when upcase is loaded and the name is whole.
exfat_set_check_e exfat_read_set(const uint8_t *entries, size_t len, const exfat_upcase_c &upcase, exfat_set_s &out);
