// A baseline JPEG's first piece decoded once, and second pieces tested from
// where it broke: a candidate is decoded from the state kept before the seam
// for about one MCU row, which turns away bytes that are not this image's
// data within microseconds, and the DC values of the row it draws tell how
// smoothly it goes on from the row above.
#pragma once

#include <vector>

#include "platform/block_device.h"
#include "sc_jpeg_entropy.h"

struct sc_jpeg_fit_s {
    long jump = 0;       // mean change of luma DC (dequantized) from the row above, across the seam
    bool smooth = false; // no more than the image's own rows change from one to the next
};

class sc_jpeg_resume_c {
public:
    // Decodes the file as its bytes lie, from its first scan on; false when
    // it is not a JPEG this decoder reads.
    bool run(sc_cursor_c &file);
    const sc_jpeg_layout_s &layout() const { return layout_; }
    bool whole() const { return whole_; } // decoded to its EOI
    uint64_t end() const { return reached_; } // after EOI; else how far the bytes were read
    uint64_t mcus_done() const { return done_; }
    // Whether the bytes from start up to tail_end go on from the first piece
    // cut at seam, no more than twice as roughly as the image's own rows
    // change: file positions as the bytes lie, the file's first byte at
    // offset on device (read there exactly, as the places tried are far
    // apart).
    bool test(block_device_c &device, uint64_t offset, uint64_t seam, uint64_t start, uint64_t tail_end,
              sc_jpeg_fit_s &fit);
    // Whether those bytes decode from the seam to their EOI, which ends the
    // image's last MCU exactly: all the second piece, not its first rows.
    bool runs_to_end(block_device_c &device, uint64_t offset, uint64_t seam, uint64_t start, uint64_t tail_end);
    uint64_t bytes_decoded() const { return work_; }

private:
    void keep(const sc_jpeg_state_s &s, const sc_jpeg_edge_s &edge);
    // The buffer: the first piece from the state kept before the seam, then
    // tail bytes from start; from gets that state.
    bool load(block_device_c &device, uint64_t offset, uint64_t seam, uint64_t start, uint64_t tail,
              sc_jpeg_state_s &from);
    bool row_above(block_device_c &device, uint64_t offset, const sc_jpeg_state_s &from, uint64_t seam);
    bool read(block_device_c &device, uint64_t pos, uint64_t len);

    sc_jpeg_layout_s layout_;
    bool whole_ = false;
    uint64_t reached_ = 0, done_ = 0, work_ = 0;
    // The last MCU start in each sector the decode went through, in order.
    std::vector<sc_jpeg_state_s> checkpoints_;
    sc_jpeg_state_s last_;
    // Luma DC bottoms of the row decoded last, per column; the mean change
    // per row; its median.
    std::vector<int32_t> bottoms_;
    int64_t row_sum_ = 0;
    std::vector<long> row_change_;
    long usual_change_ = 0;
    // The bottom of each MCU decoded, up to a bound (a row sums at most four
    // blocks' DC, well within 16 bits).
    std::vector<int16_t> bottom_of_;
    // Past it: the row above the seam tried last, the MCU it ends before,
    // its bottoms by column.
    uint64_t above_mcu_ = UINT64_MAX;
    std::vector<int32_t> above_;
    std::vector<uint8_t> buffer_;
};
