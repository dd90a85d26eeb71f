// The headers of a JPEG up to its first scan: frame, Huffman and
// quantisation tables, restart interval.
#include <algorithm>

#include "sc_jpeg_entropy.h"

namespace {

// Canonical codes from the count of each length; false when the counts do
// not fit the code space (a table no encoder writes).
bool build_huffman(const uint8_t *counts, const uint8_t *values, sc_jpeg_huffman_s &h)
{
    h = sc_jpeg_huffman_s{};
    int32_t code = 0;
    int k = 0;
    for (int len = 1; len <= 16; ++len) {
        const int n = counts[len - 1];
        if (code + n > (1 << len))
            return false;
        h.offset[len] = k - code;
        h.max_code[len] = n ? code + n - 1 : -1;
        for (int i = 0; i < n; ++i, ++k, ++code) {
            h.values[k] = values[k];
            if (len <= 9)
                for (int j = 0; j < (1 << (9 - len)); ++j) {
                    h.fast_length[(code << (9 - len)) | j] = static_cast<uint8_t>(len);
                    h.fast_value[(code << (9 - len)) | j] = values[k];
                }
        }
        code <<= 1;
    }
    for (uint32_t look = 0; look < 512; ++look) {
        const unsigned len = h.fast_length[look], size = h.fast_value[look] & 15;
        if (len == 0 || size == 0 || len + size > 9)
            continue;
        int32_t v = static_cast<int32_t>((look >> (9 - len - size)) & ((1u << size) - 1));
        if (v < (1 << (size - 1)))
            v -= (1 << size) - 1;
        h.fast_ac_bits[look] = static_cast<uint8_t>(len + size);
        h.fast_ac_run[look] = static_cast<uint8_t>(h.fast_value[look] >> 4);
        h.fast_ac_value[look] = static_cast<int16_t>(v);
    }
    h.defined = true;
    return true;
}

bool read_tables(const uint8_t *seg, size_t len, sc_jpeg_huffman_s *dc, sc_jpeg_huffman_s *ac)
{
    for (size_t at = 0; at < len;) {
        if (len - at < 17)
            return false;
        const int kind = seg[at] >> 4, id = seg[at] & 15;
        size_t total = 0;
        for (int i = 1; i <= 16; ++i)
            total += seg[at + i];
        if (kind > 1 || id > 3 || total > 256 || len - at - 17 < total)
            return false;
        if (!build_huffman(seg + at + 1, seg + at + 17, kind == 0 ? dc[id] : ac[id]))
            return false;
        at += 17 + total;
    }
    return true;
}

bool read_quant(const uint8_t *seg, size_t len, uint16_t (*quant)[64], bool *defined)
{
    for (size_t at = 0; at < len;) {
        const int wide = seg[at] >> 4, id = seg[at] & 15;
        const size_t n = wide ? 128 : 64;
        if (wide > 1 || id > 3 || len - at - 1 < n)
            return false;
        for (int k = 0; k < 64; ++k)
            quant[id][k] = static_cast<uint16_t>(
                std::max(1, wide ? seg[at + 1 + 2 * k] << 8 | seg[at + 2 + 2 * k] : seg[at + 1 + k]));
        defined[id] = true;
        at += 1 + n;
    }
    return true;
}

struct frame_s {
    int width = 0, height = 0, count = 0;
    uint8_t id[4] = {}, h[4] = {}, v[4] = {}, quant[4] = {};
};

bool read_frame(const uint8_t *seg, size_t len, frame_s &f)
{
    if (len < 6 || seg[0] != 8)
        return false;
    f.height = seg[1] << 8 | seg[2];
    f.width = seg[3] << 8 | seg[4];
    f.count = seg[5];
    if (f.width == 0 || f.height == 0 || f.count < 1 || f.count > 4 || len != 6 + 3u * f.count)
        return false;
    for (int i = 0; i < f.count; ++i) {
        f.id[i] = seg[6 + 3 * i];
        f.h[i] = seg[7 + 3 * i] >> 4;
        f.v[i] = seg[7 + 3 * i] & 15;
        f.quant[i] = seg[8 + 3 * i];
        if (f.h[i] < 1 || f.h[i] > 4 || f.v[i] < 1 || f.v[i] > 4 || f.quant[i] > 3)
            return false;
    }
    return true;
}

// The scan's components in its order, each found in the frame.
bool read_scan(const uint8_t *seg, size_t len, const frame_s &f, const uint16_t (*quant)[64], const bool *quant_set,
               sc_jpeg_layout_s &out)
{
    if (len < 1 || seg[0] != f.count || len != 4 + 2u * f.count)
        return false;
    const uint8_t *tail = seg + 1 + 2 * f.count;
    if (tail[0] != 0 || tail[1] != 63 || tail[2] != 0)
        return false; // not sequential
    int hmax = 1, vmax = 1;
    for (int i = 0; i < f.count; ++i) {
        hmax = std::max<int>(hmax, f.h[i]);
        vmax = std::max<int>(vmax, f.v[i]);
    }
    out.components = f.count;
    out.blocks = 0;
    for (int s = 0; s < f.count; ++s) {
        const int i = static_cast<int>(std::find(f.id, f.id + f.count, seg[1 + 2 * s]) - f.id);
        const int dc = seg[2 + 2 * s] >> 4, ac = seg[2 + 2 * s] & 15;
        if (i == f.count || dc > 3 || ac > 3 || !out.dc[dc].defined || !out.ac[ac].defined || !quant_set[f.quant[i]])
            return false;
        out.dc_table[s] = static_cast<uint8_t>(dc);
        out.ac_table[s] = static_cast<uint8_t>(ac);
        std::copy(quant[f.quant[i]], quant[f.quant[i]] + 64, out.quant[s]);
        const int per_mcu = f.count == 1 ? 1 : f.h[i] * f.v[i];
        if (out.blocks + per_mcu > 10)
            return false;
        if (s == 0 && f.count > 1) {
            out.luma_h = f.h[i];
            out.luma_v = f.v[i];
        }
        for (int b = 0; b < per_mcu; ++b)
            out.block_component[out.blocks++] = static_cast<uint8_t>(s);
    }
    if (f.count == 1)
        hmax = vmax = 1; // one component alone: one block per MCU
    out.mcus_per_row = static_cast<uint32_t>((f.width + 8 * hmax - 1) / (8 * hmax));
    out.mcu_rows = static_cast<uint32_t>((f.height + 8 * vmax - 1) / (8 * vmax));
    return true;
}

} // namespace

bool sc_jpeg_read_layout(sc_cursor_c &file, sc_jpeg_layout_s &out)
{
    out = sc_jpeg_layout_s{};
    if (!file.equals(0, "\xff\xd8"))
        return false;
    uint16_t quant[4][64] = {};
    bool quant_set[4] = {};
    frame_s frame;
    uint8_t seg[65535];
    uint64_t pos = 2;
    for (int markers = 0; markers < 4096; ++markers) {
        uint8_t ff = 0, m = 0;
        uint16_t len = 0;
        for (int fill = 0; fill < 64 && file.u8(pos + 1, m) && m == 0xff; ++fill)
            ++pos;
        if (!file.u8(pos, ff) || ff != 0xff || !file.u8(pos + 1, m) || !file.be16(pos + 2, len) || len < 2)
            return false;
        const size_t n = len - 2u;
        if (!file.bytes(pos + 4, seg, n))
            return false;
        pos += 2 + len;
        if (m == 0xc0 || m == 0xc1) {
            if (frame.count || !read_frame(seg, n, frame))
                return false;
        } else if (m == 0xc4) {
            if (!read_tables(seg, n, out.dc, out.ac))
                return false;
        } else if (m == 0xdb) {
            if (!read_quant(seg, n, quant, quant_set))
                return false;
        } else if (m == 0xdd) {
            if (n != 2)
                return false;
            out.restart_interval = static_cast<uint32_t>(seg[0] << 8 | seg[1]);
        } else if (m == 0xda) {
            if (!frame.count || !read_scan(seg, n, frame, quant, quant_set, out))
                return false;
            out.scan = pos;
            return true;
        } else if ((m >= 0xc2 && m <= 0xcf) || m < 0xc0 || (m >= 0xd0 && m <= 0xd9)) {
            return false; // progressive, lossless, arithmetic or hierarchical; or no segment at all
        }
    }
    return false;
}
