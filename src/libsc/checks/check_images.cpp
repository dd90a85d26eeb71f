// Picture formats: JPEG, PNG, GIF, BMP, TIFF, ICO, PSD.
#include <algorithm>
#include <cstring>
#include <vector>

#include "sc_check_list.h"

// Marker walk to EOI; scan data is skipped up to the next real marker. A
// walk that breaks off ends the file at the marker where it broke.
sc_result_s check_jpeg(sc_cursor_c &c)
{
    uint8_t m = 0;
    uint16_t len = 0;
    if (!c.equals(0, "\xff\xd8\xff") || !c.u8(3, m) || m < 0xc0 || m == 0xff || !c.be16(4, len) || len < 2)
        return sc_reject();
    uint64_t pos = 2;
    for (;;) {
        uint8_t b = 0;
        if (!c.u8(pos, b) || b != 0xff)
            return sc_broken_at(c, pos);
        for (uint64_t fill_end = c.search_end(pos, pos + sc_cursor_c::window_size);
             pos + 1 < fill_end && c.u8(pos + 1, b) && b == 0xff;)
            ++pos; // fill bytes
        if (!c.u8(pos + 1, m))
            return sc_broken_at(c, pos);
        if (m == 0xd9)
            return sc_walked(c, pos + 2);
        if (m == 0x00 || m == 0xd8)
            return sc_broken_at(c, pos);
        if (m == 0x01 || (m >= 0xd0 && m <= 0xd7)) {
            pos += 2;
            continue;
        }
        if (!c.be16(pos + 2, len) || len < 2)
            return sc_broken_at(c, pos);
        pos += 2 + len;
        if (m != 0xda)
            continue;
        // Entropy-coded data: a marker is 0xff followed by neither 0x00 nor a restart.
        for (;;) {
            uint64_t ff = c.find("\xff", pos);
            if (ff == sc_cursor_c::npos || !c.u8(ff + 1, b))
                return sc_broken(0);
            if (b == 0x00 || b == 0xff || (b >= 0xd0 && b <= 0xd7)) {
                pos = ff + (b == 0xff ? 1 : 2);
                continue;
            }
            pos = ff;
            break;
        }
    }
}

// Chunk walk from IHDR to IEND.
sc_result_s check_png(sc_cursor_c &c)
{
    uint32_t len = 0;
    if (!c.equals(0, "\x89PNG\r\n\x1a\n") || !c.be32(8, len) || len != 13 || !c.equals(12, "IHDR"))
        return sc_reject();
    uint64_t pos = 8;
    for (int chunks = 0;; ++chunks) {
        uint8_t type[4];
        if (!c.be32(pos, len) || len > 0x7fffffffu || !c.bytes(pos + 4, type, 4))
            return sc_broken_at(c, pos);
        for (uint8_t t : type)
            if (!((t >= 'A' && t <= 'Z') || (t >= 'a' && t <= 'z')))
                return sc_broken_at(c, pos);
        uint64_t next = pos + 12 + len;
        if (memcmp(type, "IEND", 4) == 0)
            return sc_walked(c, next);
        // A chunk that claims more than there is: truncated, or a bad length.
        if (next > c.limit())
            return sc_broken(0);
        pos = next;
    }
}

namespace {
// Skips GIF data sub-blocks; the position after the terminator, or npos.
uint64_t skip_gif_sub_blocks(sc_cursor_c &c, uint64_t pos)
{
    const uint64_t origin = pos;
    for (;;) {
        uint8_t n = 0;
        // Sub-blocks that run past the next GIF's header are not this one's.
        if (c.search_end(origin, pos + 1) <= pos || !c.u8(pos, n))
            return sc_cursor_c::npos;
        pos += 1 + n;
        if (n == 0)
            return pos;
    }
}

uint64_t gif_color_table(uint8_t flags)
{
    return (flags & 0x80) ? 3ull << ((flags & 7) + 1) : 0;
}
} // namespace

sc_result_s check_gif(sc_cursor_c &c)
{
    uint8_t flags = 0;
    if (!(c.equals(0, "GIF87a") || c.equals(0, "GIF89a")) || !c.u8(10, flags))
        return sc_reject();
    uint64_t pos = 13 + gif_color_table(flags);
    for (;;) {
        uint8_t block = 0;
        if (!c.u8(pos, block))
            return sc_broken_at(c, pos);
        if (block == 0x3b)
            return sc_walked(c, pos + 1);
        uint64_t next = sc_cursor_c::npos;
        if (block == 0x21)
            next = skip_gif_sub_blocks(c, pos + 2);
        else if (block == 0x2c && c.u8(pos + 9, flags))
            next = skip_gif_sub_blocks(c, pos + 10 + gif_color_table(flags) + 1);
        if (next == sc_cursor_c::npos)
            return sc_broken_at(c, pos);
        pos = next;
    }
}

sc_result_s check_bmp(sc_cursor_c &c)
{
    uint32_t size = 0, data = 0, dib = 0;
    if (!c.equals(0, "BM") || !c.le32(2, size) || !c.le32(10, data) || !c.le32(14, dib))
        return sc_reject();
    static const uint32_t dib_sizes[] = {12, 40, 52, 56, 64, 108, 124};
    if (std::find(std::begin(dib_sizes), std::end(dib_sizes), dib) == std::end(dib_sizes))
        return sc_reject();
    if (size < 14 + dib || data < 14 + dib || data > size)
        return sc_reject();
    return sc_sized(c, size);
}

namespace {
uint64_t tiff_type_size(uint16_t type)
{
    static const uint8_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < sizeof(sizes) ? sizes[type] : 0;
}

// The furthest byte a TIFF's structure reaches; regions that lie past the
// limit (or cannot be read) are noted apart, as the proof that the file goes
// on beyond what can be restored or that a field lies.
struct tiff_extent_s {
    sc_cursor_c &c;
    bool big;
    uint64_t extent = 8;
    bool beyond = false;

    void add(uint64_t at, uint64_t len)
    {
        if (at + len <= c.limit())
            extent = std::max(extent, at + len);
        else
            beyond = true;
    }
    bool value(uint16_t type, uint64_t at, uint32_t i, uint32_t &v)
    {
        uint16_t s16 = 0;
        if (type == 3 && c.u16(at + 2ull * i, big, s16)) {
            v = s16;
            return true;
        }
        return type != 3 && c.u32(at + 4ull * i, big, v);
    }
    // Strips (273/279) or tiles (324/325): offsets and byte counts in pairs.
    void pairs(uint16_t type_o, uint64_t at_o, uint16_t type_n, uint64_t at_n, uint32_t count)
    {
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t off = 0, n = 0;
            if (!value(type_o, at_o, i, off) || !value(type_n, at_n, i, n)) {
                beyond = true;
                return;
            }
            add(off, n);
        }
    }
};

bool is_sub_ifd_tag(uint16_t tag)
{
    return tag == 330 || tag == 34665 || tag == 34853 || tag == 40965;
}
} // namespace

// IFD walk, with the Exif, GPS and sub-image IFDs; the file ends after the
// furthest IFD, value, strip or tile. When a part lies past what can be
// read, the end is not proven and the file is cut after what can be.
sc_result_s check_tiff(sc_cursor_c &c)
{
    bool big = c.equals(0, "MM\0*");
    if (!big && !c.equals(0, "II*\0"))
        return sc_reject();
    uint32_t first = 0;
    uint16_t first_entries = 0;
    if (!c.u32(4, big, first) || first < 8 || !c.u16(first, big, first_entries) || first_entries == 0)
        return sc_reject();
    tiff_extent_s t{c, big};
    std::vector<uint32_t> pending{first}, seen;
    while (!pending.empty() && seen.size() < 256) {
        const uint32_t ifd = pending.back();
        pending.pop_back();
        if (ifd == 0 || std::find(seen.begin(), seen.end(), ifd) != seen.end())
            continue;
        seen.push_back(ifd);
        uint16_t entries = 0;
        if (!c.u16(ifd, big, entries) || entries == 0 || entries > 4096) {
            t.beyond = true;
            continue;
        }
        const uint64_t end = ifd + 2ull + 12ull * entries + 4;
        t.add(ifd, end - ifd);
        uint64_t at[4] = {}, count[4] = {};
        uint16_t types[4] = {};
        for (uint16_t e = 0; e < entries; ++e) {
            uint64_t p = ifd + 2ull + 12ull * e;
            uint16_t tag = 0, type = 0;
            uint32_t cnt = 0, value = 0;
            if (!c.u16(p, big, tag) || !c.u16(p + 2, big, type) || !c.u32(p + 4, big, cnt) ||
                !c.u32(p + 8, big, value)) {
                t.beyond = true;
                break;
            }
            const uint64_t bytes = tiff_type_size(type) * uint64_t(cnt);
            const uint64_t value_at = bytes > 4 ? value : p + 8;
            if (bytes > 4)
                t.add(value, bytes);
            int slot = tag == 273 ? 0 : tag == 279 ? 1 : tag == 324 ? 2 : tag == 325 ? 3 : -1;
            if (slot >= 0 && (type == 3 || type == 4)) {
                at[slot] = value_at;
                count[slot] = cnt;
                types[slot] = type;
            }
            for (uint32_t i = 0; is_sub_ifd_tag(tag) && (type == 4 || type == 13) && i < std::min<uint32_t>(cnt, 64);
                 ++i) {
                uint32_t sub = 0;
                if (t.value(4, value_at, i, sub))
                    pending.push_back(sub);
            }
        }
        for (int pair = 0; pair < 4; pair += 2) {
            uint64_t cnt = std::min(count[pair], count[pair + 1]);
            if (cnt > 1u << 20)
                t.beyond = true;
            else
                t.pairs(types[pair], at[pair], types[pair + 1], at[pair + 1], static_cast<uint32_t>(cnt));
        }
        uint32_t next = 0;
        if (c.u32(end - 4, big, next))
            pending.push_back(next);
    }
    return t.beyond ? sc_broken(t.extent) : sc_sized(c, t.extent);
}

// Icon directory: every image must lie after the directory and start with a
// PNG signature or a bitmap header.
sc_result_s check_ico(sc_cursor_c &c)
{
    uint16_t count = 0;
    if (!c.equals(0, std::string_view("\0\0\1\0", 4)) || !c.le16(4, count) || count == 0)
        return sc_reject();
    uint64_t end = 6 + 16ull * count;
    for (uint16_t i = 0; i < count; ++i) {
        uint64_t e = 6 + 16ull * i;
        uint8_t reserved = 0;
        uint32_t size = 0, off = 0, dib = 0;
        if (!c.u8(e + 3, reserved) || !c.le32(e + 8, size) || !c.le32(e + 12, off))
            return sc_reject();
        if (reserved != 0 || size == 0 || off < 6 + 16ull * count)
            return sc_reject();
        if (!c.equals(off, "\x89PNG") && !(c.le32(off, dib) && dib == 40))
            return off + 4 > c.limit() ? sc_broken(c.limit()) : sc_reject();
        end = std::max<uint64_t>(end, uint64_t(off) + size);
    }
    return sc_sized(c, end);
}

// Header, three length-prefixed sections, then the image data whose size
// follows from the header (raw) or from the RLE byte-count table.
sc_result_s check_psd(sc_cursor_c &c)
{
    uint16_t version = 0, channels = 0, depth = 0, compression = 0;
    uint32_t height = 0, width = 0;
    if (!c.equals(0, "8BPS") || !c.be16(4, version) || (version != 1 && version != 2) ||
        !c.equals(6, std::string_view("\0\0\0\0\0\0", 6)) || !c.be16(12, channels) || channels == 0 || channels > 56 ||
        !c.be32(14, height) || !c.be32(18, width) || !c.be16(22, depth))
        return sc_reject();
    if (depth != 1 && depth != 8 && depth != 16 && depth != 32)
        return sc_reject();
    bool large = version == 2;
    uint64_t pos = 26;
    for (int section = 0; section < 3; ++section) {
        uint64_t len = 0;
        uint32_t len32 = 0;
        if (section == 2 && large) {
            if (!c.be64(pos, len))
                return sc_broken(0);
            pos += 8 + len;
        } else {
            if (!c.be32(pos, len32))
                return sc_broken(0);
            pos += 4 + uint64_t(len32);
        }
        if (pos > c.limit())
            return sc_broken(c.limit());
    }
    if (!c.be16(pos, compression))
        return sc_broken(0);
    pos += 2;
    uint64_t rows = uint64_t(channels) * height;
    if (compression == 0)
        return sc_sized(c, pos + rows * ((uint64_t(width) * depth + 7) / 8));
    if (compression != 1 || rows > (1u << 24))
        return sc_broken(0);
    uint64_t data = 0;
    size_t each = large ? 4 : 2;
    for (uint64_t r = 0; r < rows; ++r) {
        uint16_t n16 = 0;
        uint32_t n32 = 0;
        if (large ? !c.be32(pos + r * 4, n32) : !c.be16(pos + r * 2, n16))
            return sc_broken(c.limit());
        data += large ? n32 : n16;
    }
    return sc_sized(c, pos + rows * each + data);
}
