// One file found by the deep scan; also the entry layout of the scan file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// 32 bytes, little-endian on disk (as in memory on every platform we build for).
struct raw_item_s {
    uint64_t index;    // 0: position in the table when found
    uint64_t offset;   // 8: byte offset of the file's first byte on the device
    uint64_t length;   // 16: length in bytes
    char type[8];      // 24: type name, zero-padded; 8 characters have no terminator

    // The type name: at most 8 characters, up to the first zero byte.
    std::string type_name() const { return std::string(type, strnlen(type, sizeof(type))); }
};

static_assert(sizeof(raw_item_s) == 32, "scan file entries are 32 bytes");
static_assert(offsetof(raw_item_s, offset) == 8 && offsetof(raw_item_s, length) == 16 &&
                  offsetof(raw_item_s, type) == 24,
              "scan file entry layout");
