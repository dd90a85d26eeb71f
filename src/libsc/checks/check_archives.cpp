// Archive and compressed formats: ZIP (and what is built on it), RAR, 7z,
// gzip, bzip2, xz.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sc_check_list.h"

namespace {

// What a ZIP holds, from its central directory names and a leading mimetype.
const char *zip_subtype(sc_cursor_c &c, uint64_t cd, uint64_t cd_end)
{
    uint16_t name_len = 0, extra_len = 0;
    if (c.le16(26, name_len) && c.le16(28, extra_len) && name_len == 8 && c.equals(30, "mimetype")) {
        uint64_t data = 30ull + name_len + extra_len;
        if (c.equals(data, "application/vnd.oasis.opendocument.text"))
            return c.equals(data + 39, "-") ? "zip" : "odt";
        if (c.equals(data, "application/vnd.oasis.opendocument.spreadsheet"))
            return c.equals(data + 46, "-") ? "zip" : "ods";
        if (c.equals(data, "application/epub+zip"))
            return "epub";
    }
    bool word = false, xl = false, ppt = false, apk = false, jar = false;
    char name[64];
    for (uint64_t p = cd; p + 46 <= cd_end && c.equals(p, "PK\x01\x02");) {
        uint16_t n = 0, x = 0, k = 0;
        if (!c.le16(p + 28, n) || !c.le16(p + 30, x) || !c.le16(p + 32, k))
            break;
        size_t take = std::min<size_t>(n, sizeof(name) - 1);
        if (!c.bytes(p + 46, name, take))
            break;
        std::string_view s(name, take);
        word |= s.substr(0, 5) == "word/";
        xl |= s.substr(0, 3) == "xl/";
        ppt |= s.substr(0, 4) == "ppt/";
        apk |= s == "AndroidManifest.xml" || s == "classes.dex";
        jar |= s == "META-INF/MANIFEST.MF";
        p += 46ull + n + x + k;
    }
    if (word)
        return "docx";
    if (xl)
        return "xlsx";
    if (ppt)
        return "pptx";
    if (apk)
        return "apk";
    if (jar)
        return "jar";
    return "zip";
}

} // namespace

namespace {
// Whether a data descriptor (with or without its signature, with 32- or
// 64-bit sizes) ends right before next and gives the distance from data to
// itself as the entry's packed size.
bool zip_descriptor_before(sc_cursor_c &c, uint64_t data, uint64_t next)
{
    for (uint64_t sizes : {8, 16})
        for (uint64_t signature : {4, 0}) {
            uint64_t len = signature + 4 + sizes; // signature, CRC, packed and original size
            if (next < data + len)
                continue;
            uint64_t at = next - len, packed = 0;
            uint32_t packed32 = 0;
            if (signature && !c.equals(at, "PK\x07\x08"))
                continue;
            bool read = sizes == 16 ? c.le64(at + signature + 4, packed) : c.le32(at + signature + 4, packed32);
            if (read && (sizes == 16 ? packed : packed32) == at - data)
                return true;
        }
    return false;
}

// Where the data of the local entry at pos ends and the next record starts:
// from the sizes in its header, else (sizes written after the data) at the
// next local header or central directory. npos when there is none.
uint64_t zip_entry_end(sc_cursor_c &c, uint64_t pos)
{
    uint16_t flags = 0, name_len = 0, extra_len = 0;
    uint32_t packed = 0;
    if (!c.le16(pos + 6, flags) || !c.le32(pos + 18, packed) || !c.le16(pos + 26, name_len) ||
        !c.le16(pos + 28, extra_len))
        return sc_cursor_c::npos;
    uint64_t data = pos + 30 + name_len + extra_len, size = packed;
    if (packed == 0xffffffffu) {
        // ZIP64: the sizes are in the extra field of id 1, original size first.
        for (uint64_t x = pos + 30 + name_len; x + 4 <= data;) {
            uint16_t id = 0, len = 0;
            if (!c.le16(x, id) || !c.le16(x + 2, len))
                return sc_cursor_c::npos;
            if (id == 1 && len >= 16) {
                if (!c.le64(x + 12, size))
                    return sc_cursor_c::npos;
                break;
            }
            x += 4ull + len;
        }
    }
    if (!(flags & 8))
        return data + size;
    // Every step keeps the bound of the search's start, so none runs on past the next file.
    const uint64_t from = data + size;
    for (uint64_t p = c.find("PK", from); p != sc_cursor_c::npos; p = c.find("PK", p + 1, sc_cursor_c::npos, from))
        if ((c.equals(p, "PK\x03\x04") || c.equals(p, "PK\x01\x02")) && zip_descriptor_before(c, data, p))
            return p;
    return sc_cursor_c::npos;
}
} // namespace

// A walk over the local entries, the central directory and its end record,
// which must name the directory the walk found. Walking (not searching for
// the end record) keeps an entry's own header from being taken for the
// next file, and costs no more than the archive's entries. A walk that
// breaks off ends the file after the last record it could follow.
sc_result_s check_zip(sc_cursor_c &c)
{
    uint16_t name_len = 0;
    if (!c.equals(0, "PK\x03\x04") || !c.le16(26, name_len) || name_len == 0)
        return sc_reject();
    uint64_t pos = 0;
    while (c.equals(pos, "PK\x03\x04")) {
        uint64_t next = zip_entry_end(c, pos);
        if (next == sc_cursor_c::npos || next <= pos)
            return sc_broken_at(c, pos);
        pos = next;
    }
    const uint64_t cd = pos;
    while (c.equals(pos, "PK\x01\x02")) {
        uint16_t n = 0, x = 0, k = 0;
        if (!c.le16(pos + 28, n) || !c.le16(pos + 30, x) || !c.le16(pos + 32, k))
            return sc_broken_at(c, pos);
        pos += 46ull + n + x + k;
    }
    if (pos == cd)
        return sc_broken_at(c, cd);
    const uint64_t dir_end = pos;
    uint64_t size = 0, offset = 0;
    if (c.equals(pos, "PK\x06\x06")) {
        // ZIP64 end record, its locator, then the end record proper.
        uint64_t record = 0;
        if (!c.le64(pos + 4, record) || !c.le64(pos + 40, size) || !c.le64(pos + 48, offset))
            return sc_broken_at(c, dir_end);
        pos += 12 + record;
        if (!c.equals(pos, "PK\x06\x07"))
            return sc_broken_at(c, dir_end);
        pos += 20;
    }
    uint32_t cd_size = 0, cd_offset = 0;
    uint16_t comment = 0;
    if (!c.equals(pos, "PK\x05\x06") || !c.le32(pos + 12, cd_size) || !c.le32(pos + 16, cd_offset) ||
        !c.le16(pos + 20, comment))
        return sc_broken_at(c, dir_end);
    if (pos == dir_end) {
        size = cd_size;
        offset = cd_offset;
    }
    if (offset != cd || size != dir_end - cd)
        return sc_broken_at(c, pos + 22 + comment);
    return sc_walked(c, pos + 22 + comment, zip_subtype(c, cd, dir_end));
}

namespace {
// RAR 5 variable-length integer; false on a run-on number.
bool rar_vint(sc_cursor_c &c, uint64_t &pos, uint64_t &v)
{
    v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        uint8_t b = 0;
        if (!c.u8(pos++, b))
            return false;
        v |= uint64_t(b & 0x7f) << shift;
        if (!(b & 0x80))
            return true;
    }
    return false;
}

// One RAR block: where the next one starts and whether this one ends the archive.
struct rar_block_s {
    bool ok = false;
    uint64_t next = 0;
    bool end = false;
};

template <typename Read_block> sc_result_s walk_rar_blocks(sc_cursor_c &c, uint64_t pos, Read_block read_block)
{
    for (int blocks = 0; blocks < (1 << 20); ++blocks) {
        rar_block_s b = read_block(pos);
        if (!b.ok || b.next <= pos)
            return blocks == 0 ? sc_reject() : sc_broken(pos);
        if (b.end)
            return sc_walked(c, b.next);
        if (b.next > c.limit())
            return sc_broken(c.limit());
        if (c.next_file_at(b.next))
            return sc_broken(b.next);
        pos = b.next;
    }
    return sc_broken(pos);
}

rar_block_s rar5_block(sc_cursor_c &c, uint64_t pos)
{
    uint64_t at = pos + 4, size = 0, type = 0, flags = 0, extra = 0, data = 0;
    if (!rar_vint(c, at, size) || size == 0 || size > (2u << 20))
        return {};
    uint64_t body = at;
    if (!rar_vint(c, at, type) || !rar_vint(c, at, flags) || (flags & 1 && !rar_vint(c, at, extra)) ||
        (flags & 2 && !rar_vint(c, at, data)) || type == 0 || type > 5 || data > (1ull << 48))
        return {};
    return {true, body + size + data, type == 5};
}

rar_block_s rar4_block(sc_cursor_c &c, uint64_t pos)
{
    uint8_t type = 0;
    uint16_t flags = 0, size = 0;
    uint32_t add = 0;
    if (!c.u8(pos + 2, type) || !c.le16(pos + 3, flags) || !c.le16(pos + 5, size) || size < 7 || type < 0x72 ||
        type > 0x7b || ((flags & 0x8000) && !c.le32(pos + 7, add)))
        return {};
    return {true, pos + size + add, type == 0x7b};
}
} // namespace

// Block walk to the end-of-archive block (RAR 1.5 to 4 and RAR 5).
sc_result_s check_rar(sc_cursor_c &c)
{
    if (c.equals(0, std::string_view("Rar!\x1a\x07\x01\x00", 8)))
        return walk_rar_blocks(c, 8, [&](uint64_t pos) { return rar5_block(c, pos); });
    if (c.equals(0, std::string_view("Rar!\x1a\x07\x00", 7)))
        return walk_rar_blocks(c, 7, [&](uint64_t pos) { return rar4_block(c, pos); });
    return sc_reject();
}

// The start header (checked by its CRC) gives where the end header lies.
sc_result_s check_7z(sc_cursor_c &c)
{
    uint8_t start[32];
    if (!c.equals(0, "7z\xbc\xaf\x27\x1c") || !c.bytes(0, start, sizeof(start)))
        return sc_reject();
    uint32_t crc = 0;
    uint64_t next_offset = 0, next_size = 0;
    c.le32(8, crc);
    c.le64(12, next_offset);
    c.le64(20, next_size);
    if (crc32(0, start + 12, 20) != crc || next_offset > (1ull << 48) || next_size > (1ull << 32))
        return sc_reject();
    return sc_sized(c, 32 + next_offset + next_size);
}

namespace {
// Feeds the candidate to a decoder until it reports the end of the stream.
// step(input, input_len, consumed) returns 1 at the end, 0 to go on, -1 on bad data.
template <typename Step> sc_result_s decode_to_end(sc_cursor_c &c, Step step)
{
    uint64_t pos = 0;
    const size_t chunk = 16384;
    for (;;) {
        size_t len = std::min(chunk, c.search_window(0, pos));
        const uint8_t *in = c.window(pos, len);
        if (!in || len == 0)
            return sc_broken(pos);
        size_t used = 0;
        int r = step(in, len, used);
        pos += used;
        if (r > 0)
            return sc_walked(c, pos);
        if (r < 0)
            return pos < 512 ? sc_reject() : sc_broken(pos);
        if (used == 0 && len < chunk)
            return sc_broken(pos + len);
    }
}
} // namespace

// gzip has no length field: inflate the member to its trailer.
sc_result_s check_gzip(sc_cursor_c &c)
{
    uint8_t flags = 0;
    if (!c.equals(0, "\x1f\x8b\x08") || !c.u8(3, flags) || (flags & 0xe0))
        return sc_reject();
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        return sc_broken(0);
    static thread_local uint8_t out[65536];
    sc_result_s r = decode_to_end(c, [&](const uint8_t *in, size_t len, size_t &used) {
        z.next_in = const_cast<Bytef *>(in);
        z.avail_in = static_cast<uInt>(len);
        int rc = Z_OK;
        while (rc == Z_OK && z.avail_in > 0) {
            z.next_out = out;
            z.avail_out = sizeof(out);
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_BUF_ERROR && z.avail_out > 0)
                rc = Z_OK;
        }
        used = len - z.avail_in;
        return rc == Z_STREAM_END ? 1 : rc == Z_OK ? 0 : -1;
    });
    inflateEnd(&z);
    return r;
}

namespace {
// 32 bits from a bit position counted from the first byte's top bit.
bool bits32_at(sc_cursor_c &c, uint64_t bit, uint32_t &v)
{
    uint8_t b[5] = {};
    const size_t n = static_cast<size_t>(std::min<uint64_t>(5, c.limit() - std::min(c.limit(), bit / 8)));
    if (n < 4 || !c.bytes(bit / 8, b, n))
        return false;
    uint64_t word = 0;
    for (uint8_t x : b)
        word = word << 8 | x;
    v = static_cast<uint32_t>(word >> (8 - bit % 8));
    return (bit % 8 == 0) || n == 5;
}
} // namespace

namespace {
bool bzip2_header_at(sc_cursor_c &c, uint64_t at)
{
    uint8_t level = 0;
    return c.equals(at, "BZh") && c.u8(at + 3, level) && level >= '1' && level <= '9' &&
        (c.equals(at + 4, "\x31\x41\x59\x26\x53\x59") || c.equals(at + 4, "\x17\x72\x45\x38\x50\x90"));
}

// The bzip2 stream whose header is at start: where it ends when an end
// marker's CRC proves it, else 0. *first_end: after the first end marker
// seen (0 when none), where a stream that is not proved is taken to end.
uint64_t bzip2_stream_end(sc_cursor_c &c, uint64_t start, uint64_t *first_end)
{
    const uint64_t marker = 0x177245385090ull, block = 0x314159265359ull, mask = (1ull << 48) - 1;
    // Whatever the shift, the byte read one step before lies wholly inside
    // a marker: a byte no shift of either marker holds there rules out all
    // sixteen comparisons at once.
    bool can_hold[256] = {};
    for (int shift = 0; shift < 8; ++shift) {
        can_hold[(marker >> (8 - shift)) & 0xff] = true;
        can_hold[(block >> (8 - shift)) & 0xff] = true;
    }
    // Bit positions of the CRCs after block markers; an end marker is
    // checked as soon as it is seen (the check reads, which moves the window).
    std::vector<uint64_t> block_crcs;
    *first_end = 0;
    uint64_t bits = 0;
    for (uint64_t pos = start + 4;;) {
        size_t len = c.search_window(start + 4, pos);
        if (len == 0)
            return 0;
        const uint8_t *w = c.window(pos, len);
        if (!w)
            return 0;
        uint64_t end_crc = 0;
        size_t i = 0;
        for (; i < len && !end_crc; ++i) {
            bits = bits << 8 | w[i];
            if (!can_hold[(bits >> 8) & 0xff])
                continue;
            // The marker's last bit is one of the 8 bits just read.
            const uint64_t after = (pos + i + 1) * 8;
            for (int shift = 0; shift < 8; ++shift) {
                const uint64_t field = (bits >> shift) & mask;
                if (field == marker && pos + i + 1 >= start + 10)
                    end_crc = after - shift;
                else if (field == block && block_crcs.size() < (1u << 16))
                    block_crcs.push_back(after - shift);
            }
        }
        pos += i;
        if (!end_crc)
            continue;
        const uint64_t end = (end_crc + 32 + 7) / 8;
        if (!*first_end)
            *first_end = end;
        uint32_t stored = 0, combined = 0, crc = 0;
        if (!bits32_at(c, end_crc, stored))
            return 0;
        for (uint64_t b : block_crcs)
            if (b < end_crc && bits32_at(c, b, crc))
                combined = (combined << 1 | combined >> 31) ^ crc;
        if (combined == stored)
            return end;
    }
}

const char xz_magic[] = "\xfd"
                        "7zXZ";

// A stream header (magic, flags and their CRC) at at; *flags gets the flags.
bool xz_header_at(sc_cursor_c &c, uint64_t at, uint8_t (&flags)[2])
{
    uint8_t header[12];
    uint32_t crc = 0;
    if (!c.bytes(at, header, sizeof(header)) || memcmp(header, xz_magic, 6) != 0 || !c.le32(at + 8, crc) ||
        crc32(0, header + 6, 2) != crc)
        return false;
    flags[0] = header[6];
    flags[1] = header[7];
    return true;
}

// The xz stream whose header is at start: where its footer ends, else 0.
// The footer is found by its magic at a 4-byte boundary and checked by its
// CRC, by the flags it repeats from the header and by the index it points
// back to.
uint64_t xz_stream_end(sc_cursor_c &c, uint64_t start)
{
    uint8_t flags[2];
    if (!xz_header_at(c, start, flags))
        return 0;
    for (uint64_t y = c.find("YZ", start + 12); y != sc_cursor_c::npos; y = c.find("YZ", y + 1)) {
        if ((y + 2 - start) % 4 != 0 || y < start + 22)
            continue;
        uint8_t footer[12];
        if (!c.bytes(y - 10, footer, sizeof(footer)))
            return 0;
        uint32_t stored = 0;
        c.le32(y - 10, stored);
        if (footer[8] != flags[0] || footer[9] != flags[1] || crc32(0, footer + 4, 6) != stored)
            continue;
        // The index ends where the footer begins, its size in the footer: its
        // indicator byte and its own CRC prove this footer the stream's.
        uint32_t backward = 0;
        c.le32(y - 6, backward);
        const uint64_t index_size = (uint64_t(backward) + 1) * 4;
        if (index_size + 12 > y - 10 - start)
            continue;
        const uint64_t index_at = y - 10 - index_size;
        uint8_t indicator = 1;
        uint32_t index_crc = 0;
        if (!c.u8(index_at, indicator) || indicator != 0 || !c.le32(y - 14, index_crc))
            continue;
        // An index too large for one window is taken on its indicator alone.
        if (index_size > sc_cursor_c::window_size)
            return y + 2;
        const uint8_t *index = c.window(index_at, static_cast<size_t>(index_size - 4));
        if (index && crc32(0, index, static_cast<uInt>(index_size - 4)) == index_crc)
            return y + 2;
    }
    return 0;
}
} // namespace

// bzip2: blocks are bit-aligned, and so is the 48-bit end-of-stream marker
// that follows the last one; the stream ends 32 bits (its CRC) after the
// marker, padded to a whole byte. That CRC combines the CRCs that follow
// each block's marker, which proves a marker that compressed data happened
// to hold false. Streams written one after another (as parallel compressors
// write them) are one file.
sc_result_s check_bzip2(sc_cursor_c &c)
{
    if (!bzip2_header_at(c, 0))
        return sc_reject();
    uint64_t first_end = 0;
    uint64_t end = bzip2_stream_end(c, 0, &first_end);
    if (!end)
        return sc_broken_at(c, first_end);
    for (uint64_t next = 0; bzip2_header_at(c, end) && (next = bzip2_stream_end(c, end, &first_end)) != 0;)
        end = next;
    return sc_walked(c, end);
}

// xz: the stream footer ends the file, unless another stream follows it
// (after padding of zeros in 4-byte units, of which a little is looked at:
// free space after the file is zeros too).
sc_result_s check_xz(sc_cursor_c &c)
{
    uint8_t flags[2];
    if (!xz_header_at(c, 0, flags))
        return sc_reject();
    uint64_t end = xz_stream_end(c, 0);
    if (!end)
        return sc_broken(0);
    for (;;) {
        uint64_t next = end;
        while (next - end < 4096 && c.equals(next, std::string_view("\0\0\0\0", 4)))
            next += 4;
        const uint64_t after = xz_stream_end(c, next);
        if (!after)
            return sc_walked(c, end);
        end = after;
    }
}
