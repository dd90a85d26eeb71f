// The long name of a deleted entry. Deletion overwrites the first byte of the
// short entry and of every long-name piece, so the order numbers are gone:
// the pieces are ordered by where they lie (the one right before the short
// entry holds the first 13 characters), and the checksum they carry gives
// back the short name's lost first byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/fat_layout.h"

class fat_deleted_pieces_c {
public:
    static constexpr size_t max_pieces = 20; // 255 characters

    struct found_s {
        size_t pieces = 0;      // non-zero: long_name holds the whole name from this many pieces
        uint8_t first_byte = 0; // the short name's lost first byte; 0 when unknown
    };

    void clear() { count_ = 0; }
    // A deleted long-name piece, in directory order.
    void add(const uint8_t *entry);
    // What the pieces right before a deleted short entry tell of its name.
    // long_name (fat_long_name_units) gets the name, zero-terminated, only
    // when every piece carries the same checksum and the furthest ends it.
    found_s recover(const uint8_t *short_entry, char16_t *long_name) const;

private:
    struct piece_s {
        uint8_t checksum;
        char16_t chars[fat_layout::long_entry::chars_per_entry];
    };
    // How many pieces, nearest the short entry first, form a whole name
    // (written to long_name); 0 when they do not.
    size_t assemble(const uint8_t *short_entry, char16_t *long_name) const;

    piece_s pieces_[max_pieces];
    size_t count_ = 0; // the latest piece is pieces_[count_ - 1]
};
