#include "sc_jpeg_entropy.h"

#include <cstdlib>

namespace {

uint32_t peek(const sc_jpeg_state_s &s, unsigned n)
{
    return static_cast<uint32_t>(s.bits >> (s.count - n)) & ((1u << n) - 1);
}

// n loaded bits as a signed value (n at most 16).
int32_t take(sc_jpeg_state_s &s, unsigned n)
{
    if (n == 0)
        return 0;
    int32_t v = static_cast<int32_t>(peek(s, n));
    s.count = static_cast<uint8_t>(s.count - n);
    if (v < (1 << (n - 1)))
        v -= (1 << n) - 1;
    return v;
}

// The next value when its code is 9 bits or fewer and loaded, else -1:
// most codes, so most take no call.
int fast_decode(sc_jpeg_state_s &s, const sc_jpeg_huffman_s &h)
{
    if (s.count < 9)
        return -1;
    const uint32_t look = peek(s, 9);
    const unsigned len = h.fast_length[look];
    if (len == 0)
        return -1;
    s.count = static_cast<uint8_t>(s.count - len);
    return h.fast_value[look];
}

// Whether a coefficient lies in the range an 8-bit image's DCT can give
// (DC within 1024, AC within 2048, once dequantized): data that is not the
// image's own walks the DC, coded as differences, out of it soon.
bool in_range(int32_t v, uint16_t q, int32_t bound)
{
    return std::abs(v) * static_cast<int32_t>(q) <= bound + q;
}

} // namespace

bool sc_jpeg_decoder_c::at(uint64_t pos, uint8_t &b) const
{
    if (pos < base_ || pos - base_ >= size_)
        return false;
    b = data_[pos - base_];
    return true;
}

// Loads whole bytes while there is room, up to a marker (never past it:
// the data of an MCU never holds one).
sc_jpeg_decoder_c::fill_e sc_jpeg_decoder_c::fill(sc_jpeg_state_s &s, unsigned need)
{
    if (s.pos < base_ || s.pos - base_ > size_)
        return s.count >= need ? fill_e::ok : fill_e::more;
    const uint8_t *p = data_ + (s.pos - base_), *end = data_ + size_;
    fill_e stop = fill_e::ok;
    while (s.count <= 56) {
        if (p == end || (p[0] == 0xff && p + 1 == end)) {
            stop = fill_e::more;
            break;
        }
        const uint8_t b = *p++;
        if (b == 0xff) {
            if (*p != 0) {
                --p;
                stop = fill_e::marker;
                break;
            }
            ++p;
        }
        s.bits = s.bits << 8 | b;
        s.count = static_cast<uint8_t>(s.count + 8);
    }
    s.pos = base_ + static_cast<uint64_t>(p - data_);
    return s.count >= need ? fill_e::ok : stop;
}

// The next Huffman value, else -1 with fault set.
int sc_jpeg_decoder_c::decode(sc_jpeg_state_s &s, const sc_jpeg_huffman_s &h, sc_jpeg_step_e &fault)
{
    const fill_e filled = s.count < 16 ? fill(s, 16) : fill_e::ok;
    const unsigned have = s.count;
    const uint32_t look = have >= 9 ? peek(s, 9) : have ? peek(s, have) << (9 - have) : 0;
    const unsigned fast = h.fast_length[look];
    if (fast && fast <= have) {
        s.count = static_cast<uint8_t>(s.count - fast);
        return h.fast_value[look];
    }
    if (fast == 0)
        for (unsigned len = 10; len <= 16 && len <= have; ++len) {
            const int32_t code = static_cast<int32_t>(peek(s, len));
            if (code <= h.max_code[len]) {
                const int32_t index = code + h.offset[len];
                if (index < 0 || index > 255)
                    break;
                s.count = static_cast<uint8_t>(s.count - len);
                return h.values[index];
            }
        }
    // No code in 16 bits, or the bits ran out: at the end of what was
    // handed in, or at a marker inside an MCU.
    fault = have >= 16 || filled != fill_e::more ? sc_jpeg_step_e::bad : sc_jpeg_step_e::more;
    return -1;
}

bool sc_jpeg_decoder_c::receive(sc_jpeg_state_s &s, unsigned n, int32_t &v, sc_jpeg_step_e &fault)
{
    v = 0;
    if (n == 0)
        return true;
    if (s.count < n) {
        const fill_e filled = fill(s, n);
        if (filled != fill_e::ok) {
            fault = filled == fill_e::more ? sc_jpeg_step_e::more : sc_jpeg_step_e::bad;
            return false;
        }
    }
    v = take(s, n);
    return true;
}

// A marker where the data must end (a restart interval, or the image):
// only the padding of the last byte may lie before it.
sc_jpeg_step_e sc_jpeg_decoder_c::expect(sc_jpeg_state_s &s, uint8_t marker)
{
    uint8_t ff = 0, m = 0;
    if (s.count >= 8)
        return sc_jpeg_step_e::bad;
    if (!at(s.pos, ff) || !at(s.pos + 1, m))
        return sc_jpeg_step_e::more;
    if (ff != 0xff || m != marker)
        return sc_jpeg_step_e::bad;
    s.pos += 2;
    s.bits = 0;
    s.count = 0;
    return sc_jpeg_step_e::mcu;
}

// The restart that comes next, after which no DC depends on the data before.
sc_jpeg_step_e sc_jpeg_decoder_c::restart(sc_jpeg_state_s &s)
{
    const sc_jpeg_step_e step = expect(s, static_cast<uint8_t>(0xd0 + s.next_rst));
    if (step != sc_jpeg_step_e::mcu)
        return step;
    for (int16_t &p : s.dc)
        p = 0;
    s.next_rst = (s.next_rst + 1) & 7;
    s.to_restart = layout_.restart_interval;
    return step;
}

sc_jpeg_step_e sc_jpeg_decoder_c::step(sc_jpeg_state_s &state, sc_jpeg_edge_s *edge)
{
    // On a copy: an MCU that does not decode leaves the state before it.
    sc_jpeg_state_s s = state;
    const sc_jpeg_step_e done = step_on(s, edge);
    reached_ = s.pos;
    if (done == sc_jpeg_step_e::mcu || done == sc_jpeg_step_e::end)
        state = s;
    return done;
}

sc_jpeg_step_e sc_jpeg_decoder_c::step_on(sc_jpeg_state_s &s, sc_jpeg_edge_s *edge)
{
    sc_jpeg_step_e fault = sc_jpeg_step_e::bad;
    if (s.mcu >= layout_.mcus()) {
        const sc_jpeg_step_e step = expect(s, 0xd9);
        return step == sc_jpeg_step_e::mcu ? sc_jpeg_step_e::end : step;
    }
    if (layout_.restart_interval && s.mcu > 0 && s.to_restart == 0)
        if ((fault = restart(s)) != sc_jpeg_step_e::mcu)
            return fault;
    sc_jpeg_edge_s e;
    int luma_block = 0;
    for (int b = 0; b < layout_.blocks; ++b) {
        const int c = layout_.block_component[b];
        const uint16_t *q = layout_.quant[c];
        const int size = decode(s, layout_.dc[layout_.dc_table[c]], fault);
        int32_t diff = 0;
        if (size < 0 || size > 11 || !receive(s, static_cast<unsigned>(size), diff, fault))
            return size > 11 ? sc_jpeg_step_e::bad : fault;
        const int32_t dc = s.dc[c] + diff;
        if (!in_range(dc, q[0], 1024))
            return sc_jpeg_step_e::bad;
        s.dc[c] = static_cast<int16_t>(dc);
        if (c == 0) {
            const int row = luma_block++ / layout_.luma_h;
            e.top += row == 0 ? dc : 0;
            e.bottom += row == layout_.luma_v - 1 ? dc : 0;
        }
        const sc_jpeg_huffman_s &ac = layout_.ac[layout_.ac_table[c]];
        for (int k = 1; k < 64;) {
            // With 26 bits loaded, a short code and its bits need no more.
            if (s.count < 26)
                fill(s, 0);
            if (s.count >= 9) {
                const uint32_t look = peek(s, 9);
                const int n = ac.fast_ac_bits[look];
                if (n) { // code and value in one look
                    k += ac.fast_ac_run[look];
                    if (k > 63 || !in_range(ac.fast_ac_value[look], q[k], 2048))
                        return sc_jpeg_step_e::bad;
                    s.count = static_cast<uint8_t>(s.count - n);
                    ++k;
                    continue;
                }
            }
            int rs = fast_decode(s, ac);
            if (rs < 0 && (rs = decode(s, ac, fault)) < 0)
                return fault;
            const int run = rs >> 4, bits = rs & 15;
            if (bits == 0) {
                if (run != 15)
                    break; // end of block
                k += 16;
                if (k > 64)
                    return sc_jpeg_step_e::bad; // more than 64 coefficients
                continue;
            }
            k += run;
            if (k > 63 || bits > 10)
                return sc_jpeg_step_e::bad;
            int32_t v = 0;
            if (static_cast<unsigned>(bits) <= s.count)
                v = take(s, static_cast<unsigned>(bits));
            else if (!receive(s, static_cast<unsigned>(bits), v, fault))
                return fault;
            if (!in_range(v, q[k], 2048))
                return sc_jpeg_step_e::bad;
            ++k;
        }
    }
    ++s.mcu;
    if (layout_.restart_interval)
        s.to_restart = (s.to_restart == 0 ? layout_.restart_interval : s.to_restart) - 1;
    if (edge)
        *edge = e;
    return sc_jpeg_step_e::mcu;
}
