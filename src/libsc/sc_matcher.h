// Finds which configured types' headers start at a position: a table keyed
// by the first two fixed header bytes, one per distinct position of those
// bytes in the headers.
#pragma once

#include <cstdint>
#include <vector>

#include "sc_config.h"

class sc_matcher_c {
public:
    explicit sc_matcher_c(const std::vector<sc_type_s> &types);

    // Types (in table order) whose whole header is at data[0..avail), among
    // those searched at sector starts (sector true) or at every byte.
    void match(const uint8_t *data, size_t avail, bool sector, std::vector<uint16_t> &out) const;
    // Whether a byte could begin the anchor of a byte-granular header at
    // position anchor_at(); for the byte-by-byte search.
    bool byte_start(uint8_t b) const { return byte_first_[b]; }
    bool has_byte_types() const { return !byte_types_.empty(); }
    size_t longest_header() const { return longest_; }

private:
    // Type indexes by the two bytes at position at: those of key k are
    // types[first[k]] .. types[first[k + 1]] (a counting sort, built once).
    struct anchor_s {
        size_t at = 0;
        std::vector<uint32_t> first;
        std::vector<uint16_t> types;
        // One bit per key that has types: 8 KiB stay in the first-level
        // cache, where the 256 KiB of first would miss at nearly every sector.
        std::vector<uint64_t> used;
    };
    bool header_at(const sc_type_s &type, const uint8_t *data, size_t avail) const;

    const std::vector<sc_type_s> &types_;
    std::vector<anchor_s> sector_anchors_;
    std::vector<uint16_t> byte_types_;
    bool byte_first_[256] = {};
    size_t longest_ = 0;
};
