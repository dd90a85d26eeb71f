// Where the next file of a family begins: the first sector start after a
// position that holds a header of a type with the same check. A search for a
// file's end gives up there, so each stretch of the device is searched by one
// candidate of a family rather than by every candidate before it, and the
// scan stays linear in the device size however many headers it holds.
// Types without a header count every header as the next file.
#pragma once

#include <cstdint>
#include <vector>

#include "libsc.h"
#include "platform/block_device.h"
#include "sc_block_reader.h"
#include "sc_config.h"
#include "sc_matcher.h"

class sc_next_header_c {
public:
    // block is the scan's current block, read from where it covers a header.
    sc_next_header_c(const sc_config_s &config, const sc_matcher_c &matcher, block_device_c &device,
                     const sc_block_reader_c::block_s &block, const raw_scan_control_s *control);

    // First sector start in (pos, upto) holding a header of type's family;
    // upto when there is none (or the scan was stopped). Only what lies
    // between is looked at, so a search pays for the stretch it covers.
    uint64_t within(uint64_t pos, uint64_t upto, uint16_t type);

private:
    static constexpr uint16_t any_family = 0;
    bool family_at(uint64_t at, uint16_t family);

    // Every sector start in (from, to) was looked at and holds no header of
    // the family; found: to holds one.
    struct known_s {
        uint64_t from = UINT64_MAX;
        uint64_t to = 0;
        bool found = false;
    };

    const sc_matcher_c &matcher_;
    block_device_c &device_;
    const sc_block_reader_c::block_s &block_;
    const raw_scan_control_s *control_;
    std::vector<uint16_t> family_of_; // per type
    std::vector<known_s> known_;      // per family
    std::vector<uint8_t> ahead_;      // bytes read past the block, from ahead_start_
    uint64_t ahead_start_ = 0;
    size_t ahead_len_ = 0;
    std::vector<uint16_t> matched_;
};
