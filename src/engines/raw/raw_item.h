// One file found by the deep scan. Its first 32 bytes are the entry layout
// of the scan file; the rest is known only to the scan that found it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// The scan file's entries: 32 bytes, little-endian on disk (as in memory on
// every platform we build for).
constexpr size_t raw_entry_size = 32;

struct raw_item_s {
    uint64_t index;  // 0: position in the table when found
    uint64_t offset; // 8: byte offset of the file's first byte on the device
    uint64_t length; // 16: length in bytes
    char type[8];    // 24: type name, zero-padded; 8 characters have no terminator
    // Not in the scan file, whose entries have no spare bit: the type's
    // structure check proved where the file ends. Entries read from a file
    // come back with it clear, as finds whose end is not known.
    uint8_t end_proved;
    uint8_t spare[7]; // keeps the struct free of padding

    // The type name: at most 8 characters, up to the first zero byte.
    std::string type_name() const { return std::string(type, strnlen(type, sizeof(type))); }
};

static_assert(sizeof(raw_item_s) == 40, "no padding after the scan-file part");
static_assert(offsetof(raw_item_s, offset) == 8 && offsetof(raw_item_s, length) == 16 &&
                  offsetof(raw_item_s, type) == 24 && offsetof(raw_item_s, end_proved) == raw_entry_size,
              "scan file entry layout");

// One stretch of a find that was joined from pieces.
struct raw_piece_s {
    uint64_t offset; // on the device
    uint64_t length;
};

// Item index -> its pieces in file order, for the finds joined from more
// than one; every other find is the one stretch its entry gives.
using raw_pieces_t = std::map<uint64_t, std::vector<raw_piece_s>>;
