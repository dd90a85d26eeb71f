// The volume's up-case table, which name hashes are computed over. It is
// stored compressed: 0xFFFF followed by a count stands for that many
// characters that map to themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class exfat_upcase_c {
public:
    // Expands a stored table; false (and the table left empty) when its
    // checksum does not match or it runs past 65,536 characters.
    bool load(const uint8_t *bytes, size_t len, uint32_t stored_checksum);
    bool loaded() const { return !map_.empty(); }
    // The up-case form of c; characters past the table map to themselves.
    char16_t upper(char16_t c) const { return c < map_.size() ? map_[c] : c; }

private:
    std::vector<char16_t> map_;
};

// The 32-bit rotate-and-add sum the up-case table entry stores.
uint32_t exfat_table_checksum(const uint8_t *bytes, size_t len);
