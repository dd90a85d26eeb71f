// Runs of zeros (free space, a sparse image) passed over at the speed of
// memory rather than sector by sector: no file starts in one, as long as no
// header is all zeros, no zero byte starts a file and the types told by
// content refuse zeros. Asked once per scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sc_config.h"
#include "sc_matcher.h"

class sc_zero_run_c {
public:
    sc_zero_run_c(const sc_config_s &config, const sc_matcher_c &matcher, const std::vector<uint16_t> &content_types);

    // How many sector starts from data on (len bytes, the rest of the block)
    // hold zeros far enough that nothing can start there: the sector itself
    // and the longest header. 0 when zeros may start a find.
    size_t sectors(const uint8_t *data, size_t len) const;

private:
    size_t window_ = 0; // bytes from a sector start that decide whether a find starts there
    bool usable_ = false;
};
