// The scan: every sector start (and every byte, for types that ask for it)
// is looked up in the header table; a match is handed to its type's
// structure check, which decides whether and where the file ends.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "checks/sc_check.h"
#include "libsc.h"
#include "platform/block_device.h"
#include "sc_config.h"

struct sc_find_s {
    uint16_t type = 0; // index in the configuration's table
    uint64_t length = 0;
    bool whole = false; // the structure was walked to its end: the search resumes after it
    bool ended = false; // the structure gave the end; otherwise the length is a guess
};

// Decides a header match at one position. make_source(type) gives the bytes
// from that position, limited to the type's maximum size. False when every
// matched type's check refused.
template <typename Make_source>
bool judge_match(const sc_config_s &config, const std::vector<uint16_t> &matched, Make_source make_source,
                 sc_find_s &out);

// Scans a whole device; reports through control->found and watches pause and
// stop. A find whose end its structure does not give is cut at the next
// find; the found call can tell the two apart by the control block's
// find_flags. Returns how many bytes the structure checks looked at, the scan's
// work beyond the one sequential read.
// seen, when set, is handed every block as it is read and before it is
// searched (start on the device, bytes), so that other readers of the
// volume's structures ride on the same sequential read.
using sc_block_fn = std::function<void(uint64_t start, const uint8_t *data, size_t len)>;
uint64_t sc_scan_device(const sc_config_s &config, block_device_c &device, raw_scan_control_s *control,
                        const sc_block_fn &seen = {});

// Implementation of judge_match, kept here so tests can drive it on memory.
bool judge_match_with(const sc_config_s &config, const std::vector<uint16_t> &matched,
                      sc_source_c *(*make_source)(void *ctx, uint16_t type), void *ctx, sc_find_s &out);

template <typename Make_source>
bool judge_match(const sc_config_s &config, const std::vector<uint16_t> &matched, Make_source make_source,
                 sc_find_s &out)
{
    return judge_match_with(
        config, matched, [](void *ctx, uint16_t t) { return (*static_cast<Make_source *>(ctx))(t); }, &make_source,
        out);
}
