// Where the second piece of a cut JPEG may start on a device: sectors after
// which the first marker (other than a restart) is EOI, outside JPEGs that
// decode whole on their own and outside second pieces already joined. One
// sweep of the device serves the searches of all its finds, so that they
// cost a few reads of it in all; searches on several threads share it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "platform/block_device.h"

class sc_jpeg_gap_map_c {
public:
    // Device offsets throughout. Where the EOI ends when the first marker at
    // or after pos (a sector) is EOI and the sector could be entropy-coded
    // data that no known file holds, else 0.
    uint64_t eoi_after(block_device_c &device, uint64_t pos);
    // The first such sector at or after from and below upto, else UINT64_MAX.
    uint64_t next_start(block_device_c &device, uint64_t from, uint64_t upto);
    // [begin, end) is a file's: no second piece of another starts there.
    void take(uint64_t begin, uint64_t end);
    // Searches reach back no further than their find, and those on other
    // threads lag a few finds behind: what lies a span before pos goes.
    void forget_before(uint64_t pos);

private:
    // Markers up to where one at or after pos is known, or the sweep gives up.
    bool sweep_past(block_device_c &device, uint64_t pos);
    // next_start, with where the start's EOI ends.
    uint64_t first_start(block_device_c &device, uint64_t from, uint64_t upto, uint64_t &eoi_end);

    std::mutex lock_;
    uint64_t start_ = UINT64_MAX; // the sweep began here
    uint64_t swept_ = 0;          // and has looked at every byte below this
    struct marker_s {
        uint64_t pos;
        uint64_t eoi_end; // 0: not EOI
    };
    std::vector<marker_s> markers_; // in order
    std::map<uint64_t, uint64_t> taken_;
    std::map<uint64_t, bool> not_coded_; // sectors looked at: fill or text
    std::map<uint64_t, uint64_t> whole_end_; // JPEGs decoded: where each ends when whole, else 0
    std::vector<uint8_t> window_;
};
