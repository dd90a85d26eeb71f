// Huffman decoding of a baseline sequential JPEG's entropy-coded data, with
// no inverse DCT: enough to tell whether bytes go on as an image's data, and
// to resume at any MCU from the state kept when the decoder passed it. The
// bytes come from a disk, so every table and length is checked before use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "checks/sc_check.h"

struct sc_jpeg_huffman_s {
    int32_t max_code[18] = {}; // largest code of each length, -1 when none
    int32_t offset[17] = {};   // a code of that length minus this is its value's index
    uint8_t values[256] = {};
    uint8_t fast_length[512] = {}; // by the next 9 bits: the code's length, 0 when longer
    uint8_t fast_value[512] = {};
    // As AC codes: by the next 9 bits, when they hold a code of a non-zero
    // coefficient and its value, the bits both take (0 when not), the
    // zeros run before it and its value.
    uint8_t fast_ac_bits[512] = {};
    uint8_t fast_ac_run[512] = {};
    int16_t fast_ac_value[512] = {};
    bool defined = false;
};

// What the headers up to the first scan say of an image whose one scan
// holds every component, interleaved.
struct sc_jpeg_layout_s {
    int components = 0;
    uint8_t block_component[10] = {}; // per block of an MCU, in scan order
    int blocks = 0;                   // per MCU
    int luma_h = 1, luma_v = 1;       // the first component's blocks per MCU across and down
    uint8_t dc_table[4] = {}, ac_table[4] = {};
    uint16_t quant[4][64] = {}; // per component, in zigzag order
    sc_jpeg_huffman_s dc[4], ac[4];
    uint32_t mcus_per_row = 0, mcu_rows = 0;
    uint32_t restart_interval = 0;
    uint64_t scan = 0; // file position of the first entropy-coded byte

    uint64_t mcus() const { return static_cast<uint64_t>(mcus_per_row) * mcu_rows; }
};

// False unless the file is a baseline (or extended) sequential Huffman JPEG
// of 8-bit samples whose first scan holds every component.
bool sc_jpeg_read_layout(sc_cursor_c &file, sc_jpeg_layout_s &out);

// Where the decoder stands before an MCU.
struct sc_jpeg_state_s {
    uint64_t pos = 0;  // file position of the next byte to load
    uint64_t bits = 0; // loaded bits not used yet, the next one highest of the low count bits
    uint32_t mcu = 0;  // the next MCU
    uint32_t to_restart = 0;
    int16_t dc[4] = {}; // predictors per component
    uint8_t count = 0;
    uint8_t next_rst = 0;
};

// The luma DC of an MCU's top and bottom block rows, summed: the rows of an
// image go on smoothly where one MCU's top continues the bottom of the one
// above it.
struct sc_jpeg_edge_s {
    int32_t top = 0, bottom = 0;
};

enum class sc_jpeg_step_e {
    mcu,  // one more MCU decoded
    end,  // the last MCU was followed by EOI
    more, // the bytes handed in ran out
    bad,  // not this image's data: a bad code, a stray marker, a value out of range...
};

// Decodes bytes [base, base + size) of a file (or of a joined file): the
// state's pos must lie in there.
class sc_jpeg_decoder_c {
public:
    sc_jpeg_decoder_c(const sc_jpeg_layout_s &layout, const uint8_t *data, size_t size, uint64_t base)
        : layout_(layout), data_(data), size_(size), base_(base)
    {
    }
    // One MCU (or the EOI after the last); *edge gets its luma DC edges.
    sc_jpeg_step_e step(sc_jpeg_state_s &s, sc_jpeg_edge_s *edge);
    // How far the last step loaded bytes, the failed one too: data that is
    // not the image's is noticed no earlier than where it starts.
    uint64_t reached() const { return reached_; }

private:
    enum class fill_e { ok, marker, more };
    sc_jpeg_step_e step_on(sc_jpeg_state_s &s, sc_jpeg_edge_s *edge);
    fill_e fill(sc_jpeg_state_s &s, unsigned need);
    int decode(sc_jpeg_state_s &s, const sc_jpeg_huffman_s &h, sc_jpeg_step_e &fault);
    bool receive(sc_jpeg_state_s &s, unsigned n, int32_t &v, sc_jpeg_step_e &fault);
    sc_jpeg_step_e expect(sc_jpeg_state_s &s, uint8_t marker);
    sc_jpeg_step_e restart(sc_jpeg_state_s &s);
    bool at(uint64_t pos, uint8_t &b) const;

    const sc_jpeg_layout_s &layout_;
    const uint8_t *data_;
    size_t size_;
    uint64_t base_;
    uint64_t reached_ = 0;
};
