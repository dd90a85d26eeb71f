// Sound and video containers: RIFF (WAV, AVI, WebP), MP3, FLAC, Ogg, MP4 and
// QuickTime, Matroska and WebM, ASF (WMV).
#include <algorithm>
#include <array>
#include <cstring>

#include "sc_check_list.h"

// RIFF size field; AVI files over 1 GiB go on in RIFF AVIX chunks.
sc_result_s check_riff(sc_cursor_c &c)
{
    uint32_t size = 0;
    if (!c.equals(0, "RIFF") || !c.le32(4, size) || size < 4)
        return sc_reject();
    const char *subtype = c.equals(8, "WAVE") ? "wav"
        : c.equals(8, "AVI ")                 ? "avi"
        : c.equals(8, "WEBP")                 ? "webp"
                                              : nullptr;
    if (!subtype)
        return sc_reject();
    uint64_t end = 8ull + size + (size & 1);
    while (subtype[0] == 'a' && c.equals(end, "RIFF") && c.equals(end + 8, "AVIX") && c.le32(end + 4, size))
        end += 8ull + size + (size & 1);
    return sc_sized(c, end, subtype);
}

namespace {
// Length of the MPEG audio frame whose header is at pos, 0 when none is there.
uint32_t mpeg_frame_length(sc_cursor_c &c, uint64_t pos)
{
    static const uint16_t rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    static const uint16_t kbps[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG 1 layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG 1 layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG 1 layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG 2 layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG 2 layers II, III
    };
    uint8_t h[4];
    if (!c.bytes(pos, h, 4) || h[0] != 0xff || (h[1] & 0xe0) != 0xe0)
        return 0;
    int version = (h[1] >> 3) & 3, layer = (h[1] >> 1) & 3, bitrate = h[2] >> 4, rate = (h[2] >> 2) & 3;
    if (version == 1 || layer == 0 || bitrate == 0 || bitrate == 15 || rate == 3)
        return 0;
    bool mpeg1 = version == 3;
    int row = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
    uint32_t bps = kbps[row][bitrate] * 1000u;
    uint32_t sr = rates[mpeg1 ? 0 : version == 2 ? 1 : 2][rate];
    uint32_t pad = (h[2] >> 1) & 1;
    if (layer == 3)
        return (12 * bps / sr + pad) * 4;
    return (layer == 1 && !mpeg1 ? 72 : 144) * bps / sr + pad;
}
} // namespace

// An ID3v2 tag, then MPEG frames back to back, then an optional ID3v1 tag.
// Without a tag, eight frames in a row are needed before this is believed.
sc_result_s check_mp3(sc_cursor_c &c)
{
    uint64_t pos = 0;
    uint8_t tag[10];
    bool id3 = c.bytes(0, tag, 10) && memcmp(tag, "ID3", 3) == 0;
    if (id3) {
        if (tag[3] < 2 || tag[3] > 4 || ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80))
            return sc_reject();
        pos = 10 + ((uint64_t(tag[6]) << 21) | (uint64_t(tag[7]) << 14) | (uint64_t(tag[8]) << 7) | tag[9]);
        if (tag[5] & 0x10)
            pos += 10;
        // Some writers pad between the tag and the first frame.
        uint64_t pad_end = c.search_end(pos, pos + (1u << 20));
        for (uint8_t b = 0; pos < pad_end && c.u8(pos, b) && b == 0;)
            ++pos;
    }
    uint64_t frames = 0;
    for (uint32_t len; (len = mpeg_frame_length(c, pos)) != 0 && pos + len <= c.limit(); pos += len)
        ++frames;
    if (frames < (id3 ? 1u : 8u))
        return id3 && frames == 0 && pos >= c.limit() ? sc_broken(c.limit()) : sc_reject();
    if (c.equals(pos, "TAG"))
        pos += 128;
    return sc_walked(c, pos);
}

namespace {
uint8_t crc8(const uint8_t *p, size_t n)
{
    uint8_t crc = 0;
    while (n--) {
        crc ^= *p++;
        for (int i = 0; i < 8; ++i)
            crc = static_cast<uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

// CRC-16 (polynomial 0x8005, no reflection) a byte at a time from a table.
uint16_t crc16_step(uint16_t crc, uint8_t b)
{
    static const auto table = [] {
        std::array<uint16_t, 256> t{};
        for (unsigned n = 0; n < 256; ++n) {
            uint16_t v = static_cast<uint16_t>(n << 8);
            for (int i = 0; i < 8; ++i)
                v = static_cast<uint16_t>((v & 0x8000) ? (v << 1) ^ 0x8005 : v << 1);
            t[n] = v;
        }
        return t;
    }();
    return static_cast<uint16_t>((crc << 8) ^ table[(crc >> 8) ^ b]);
}

// A FLAC frame header at pos whose CRC-8 holds.
bool flac_frame_at(sc_cursor_c &c, uint64_t pos)
{
    const uint8_t *h = c.window(pos, 16);
    uint8_t tail[16] = {};
    if (!h) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(16, c.limit() - std::min(pos, c.limit())));
        if (n < 6 || !c.bytes(pos, tail, n))
            return false;
        h = tail;
    }
    if (h[0] != 0xff || (h[1] & 0xfe) != 0xf8 || (h[2] >> 4) == 0 || (h[2] & 0x0f) == 0x0f || (h[3] >> 4) > 10 ||
        ((h[3] >> 1) & 7) == 3 || ((h[3] >> 1) & 7) == 7 || (h[3] & 1))
        return false;
    size_t i = 4;
    int extra = h[i] < 0x80 ? 0
        : h[i] < 0xc0       ? -1
        : h[i] < 0xe0       ? 1
        : h[i] < 0xf0       ? 2
        : h[i] < 0xf8       ? 3
        : h[i] < 0xfc       ? 4
        : h[i] < 0xfe       ? 5
        : h[i] == 0xfe      ? 6
                            : -1;
    if (extra < 0)
        return false;
    i += 1 + static_cast<size_t>(extra);
    int bs = h[2] >> 4, sr = h[2] & 0x0f;
    i += bs == 6 ? 1 : bs == 7 ? 2 : 0;
    i += sr == 12 ? 1 : (sr == 13 || sr == 14) ? 2 : 0;
    return i < 16 && crc8(h, i) == h[i];
}
} // namespace

// Metadata blocks, then frames back to back: each frame ends where the
// CRC-16 over it closes, and the next must start with a checked header right
// there. The last frame ends at a close followed by slack, else at its first close.
sc_result_s check_flac(sc_cursor_c &c)
{
    uint64_t pos = 4;
    uint8_t first = 0;
    if (!c.equals(0, "fLaC") || !c.u8(4, first) || (first & 0x7f) != 0)
        return sc_reject();
    for (int blocks = 0;; ++blocks) {
        uint8_t h[4];
        if (blocks > 4096 || !c.bytes(pos, h, 4))
            return sc_broken(0);
        pos += 4 + ((uint64_t(h[1]) << 16) | (uint64_t(h[2]) << 8) | h[3]);
        if (h[0] & 0x80)
            break;
    }
    if (!flac_frame_at(c, pos))
        return sc_broken(std::min(pos, c.limit()));
    const uint64_t max_frame = 1u << 20;
    for (;;) {
        uint16_t crc = 0;
        uint64_t first_close = 0, next = 0;
        for (uint64_t p = pos; p - pos < max_frame && !next;) {
            size_t len = c.search_window(pos, p);
            if (len == 0)
                break;
            const uint8_t *w = c.window(p, len);
            if (!w)
                return sc_broken(pos);
            for (size_t i = 0; i < len; ++i) {
                crc = crc16_step(crc, w[i]);
                uint64_t end = p + i + 1;
                if (crc != 0 || end - pos < 8)
                    continue;
                if (flac_frame_at(c, end)) {
                    next = end;
                    break;
                }
                if (!first_close)
                    first_close = end;
                uint8_t b = 0;
                uint64_t sector_end = std::min<uint64_t>((end + 511) / 512 * 512, c.limit());
                bool slack = true;
                for (uint64_t q = end; q < sector_end && slack; ++q)
                    slack = c.u8(q, b) && b == 0;
                if (slack)
                    return sc_walked(c, end);
                w = c.window(p, len); // the checks above may have moved the window
                if (!w)
                    return sc_broken(pos);
            }
            p += len;
        }
        if (!next)
            return first_close ? sc_walked(c, first_close) : sc_broken(pos);
        pos = next;
    }
}

// Pages back to back; the file ends after the last page.
sc_result_s check_ogg(sc_cursor_c &c)
{
    uint64_t pos = 0;
    bool ended = false;
    for (int pages = 0;; ++pages) {
        uint8_t version = 1, type = 0, segments = 0, table[255];
        if (c.next_file_at(pos) || !c.equals(pos, "OggS") || !c.u8(pos + 4, version) || version != 0 ||
            !c.u8(pos + 5, type) || !c.u8(pos + 26, segments) || !c.bytes(pos + 27, table, segments)) {
            if (pages == 0)
                return sc_reject();
            return ended ? sc_walked(c, pos) : sc_broken(std::min(pos, c.limit()));
        }
        if (pages == 0 && !(type & 2))
            return sc_reject();
        uint64_t body = 0;
        for (int i = 0; i < segments; ++i)
            body += table[i];
        ended = (type & 4) != 0;
        pos += 27ull + segments + body;
    }
}

namespace {
bool is_top_level_box(const char type[4])
{
    static const char *known[] = {"ftyp", "moov", "mdat", "free", "skip", "wide", "uuid", "meta",
                                  "pdin", "moof", "mfra", "styp", "sidx", "pnot", "junk", "prfl"};
    for (const char *k : known)
        if (memcmp(type, k, 4) == 0)
            return true;
    return false;
}
} // namespace

// Top-level box walk from ftyp while the boxes are ones a movie holds.
sc_result_s check_mp4(sc_cursor_c &c)
{
    if (!c.equals(4, "ftyp"))
        return sc_reject();
    const char *subtype = c.equals(8, "qt  ") ? "mov" : "mp4";
    uint64_t pos = 0;
    bool media = false;
    for (int boxes = 0; boxes < 100000; ++boxes) {
        uint32_t size32 = 0;
        char type[4];
        if (c.next_file_at(pos) || !c.be32(pos, size32) || !c.bytes(pos + 4, type, 4) || !is_top_level_box(type))
            break;
        uint64_t size = size32;
        if (size32 == 1 && !c.be64(pos + 8, size))
            break;
        if (size32 == 0)
            size = c.limit() - pos; // runs to the end of the file
        if (size < 8)
            break;
        media |= memcmp(type, "mdat", 4) == 0 || memcmp(type, "moof", 4) == 0;
        if (pos + size > c.limit())
            return sc_broken(c.limit(), subtype);
        pos += size;
    }
    if (pos == 0)
        return sc_reject();
    return media ? sc_walked(c, pos, subtype) : sc_broken(pos, subtype);
}

namespace {
// EBML element id (kept with its length marker) and size; size is all ones
// (UINT64_MAX here) when the writer left it unknown.
bool ebml_id(sc_cursor_c &c, uint64_t &pos, uint32_t &id)
{
    uint8_t b = 0;
    if (!c.u8(pos, b) || b < 0x10)
        return false;
    int len = b >= 0x80 ? 1 : b >= 0x40 ? 2 : b >= 0x20 ? 3 : 4;
    id = 0;
    for (int i = 0; i < len; ++i) {
        if (!c.u8(pos + i, b))
            return false;
        id = id << 8 | b;
    }
    pos += len;
    return true;
}

bool ebml_size(sc_cursor_c &c, uint64_t &pos, uint64_t &size)
{
    uint8_t b = 0;
    if (!c.u8(pos, b) || b == 0)
        return false;
    int len = 1;
    while (!(b & (0x80 >> (len - 1))))
        ++len;
    uint64_t v = b & (0xff >> len);
    bool all_ones = v == (0xffu >> len);
    for (int i = 1; i < len; ++i) {
        if (!c.u8(pos + i, b))
            return false;
        v = v << 8 | b;
        all_ones &= b == 0xff;
    }
    pos += len;
    size = all_ones ? UINT64_MAX : v;
    return true;
}

bool is_segment_child(uint32_t id)
{
    static const uint32_t known[] = {0x114d9b74, 0x1549a966, 0x1654ae6b, 0x1f43b675, 0x1c53bb6b,
                                     0x1254c367, 0x1941a469, 0x1043a770, 0xec,       0xbf};
    return std::find(std::begin(known), std::end(known), id) != std::end(known);
}
} // namespace

// EBML header (its DocType tells WebM from Matroska), then the Segment, whose
// size is the file's unless the writer left it unknown; then its children are walked.
sc_result_s check_ebml(sc_cursor_c &c)
{
    uint64_t pos = 0, size = 0;
    uint32_t id = 0;
    if (!ebml_id(c, pos, id) || id != 0x1a45dfa3 || !ebml_size(c, pos, size) || size > 4096)
        return sc_reject();
    const char *subtype = c.find("webm", pos, pos + size) != sc_cursor_c::npos ? "webm"
        : c.find("matroska", pos, pos + size) != sc_cursor_c::npos             ? "mkv"
                                                                               : nullptr;
    if (!subtype)
        return sc_reject();
    pos += size;
    if (!ebml_id(c, pos, id) || id != 0x18538067 || !ebml_size(c, pos, size))
        return sc_broken(0, subtype);
    if (size != UINT64_MAX)
        return sc_sized(c, pos + size, subtype);
    for (int children = 0; children < (1 << 20); ++children) {
        uint64_t at = pos, child = 0;
        if (!ebml_id(c, at, id) || !is_segment_child(id) || !ebml_size(c, at, child) || child == UINT64_MAX ||
            at + child > c.limit())
            break;
        pos = at + child;
    }
    return sc_broken(pos, subtype);
}

namespace {
const char asf_header_guid[] = "\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c";
const char asf_file_properties_guid[] = "\xa1\xdc\xab\x8c\x47\xa9\xcf\x11\x8e\xe4\x00\xc0\x0c\x20\x53\x65";
const char asf_data_guid[] = "\x36\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c";
// The objects that may follow the data object: simple index, index, media
// object index, timecode index.
const char *const asf_index_guids[] = {
    "\x90\x08\x00\x33\xb1\xe5\xcf\x11\x89\xf4\x00\xa0\xc9\x03\x49\xcb",
    "\xd3\x29\xe2\xd6\xda\x35\xd1\x11\x90\x34\x00\xa0\xc9\x03\x49\xbe",
    "\xf8\x03\xb1\xfe\xad\x12\x64\x4c\x84\x0f\x2a\x1d\x2f\x7a\xd4\x8c",
    "\xd0\x3f\xb7\x3c\x4a\x0c\x03\x48\x95\x3d\xed\xf7\xb6\x22\x8f\x0c",
};

// A file whose header does not give its size (a broadcast, or a writer that
// never came back to fill it in): the data object after the header, sized
// by its own field or by its packets, then any index objects.
sc_result_s asf_end_by_objects(sc_cursor_c &c, uint64_t header_size, uint64_t packets, uint32_t packet_size)
{
    uint64_t data_size = 0;
    if (!c.equals(header_size, std::string_view(asf_data_guid, 16)) || !c.le64(header_size + 16, data_size))
        return sc_broken(0, "wmv");
    if (data_size < 50) {
        if (packets == 0 || packet_size == 0 || packets > (UINT64_MAX - 50) / packet_size)
            return sc_broken(0, "wmv");
        data_size = 50 + packets * packet_size;
    }
    if (data_size > UINT64_MAX - header_size)
        return sc_broken(0, "wmv");
    uint64_t pos = header_size + data_size;
    for (int objects = 0; objects < 16; ++objects) {
        bool index = false;
        for (const char *guid : asf_index_guids)
            index = index || c.equals(pos, std::string_view(guid, 16));
        uint64_t size = 0;
        if (!index || !c.le64(pos + 16, size) || size < 24 || size > c.limit() - pos)
            break;
        pos += size;
    }
    return sc_sized(c, pos, "wmv");
}
} // namespace

// The File Properties object in the header holds the file's size.
sc_result_s check_asf(sc_cursor_c &c)
{
    uint64_t header_size = 0;
    uint32_t objects = 0;
    if (!c.equals(0, std::string_view(asf_header_guid, 16)) || !c.le64(16, header_size) || !c.le32(24, objects) ||
        header_size < 30 || objects == 0 || objects > 1000)
        return sc_reject();
    uint64_t pos = 30;
    for (uint32_t i = 0; i < objects && pos + 24 <= header_size; ++i) {
        uint64_t size = 0, file_size = 0, packets = 0;
        uint32_t min_packet = 0, max_packet = 0;
        if (!c.le64(pos + 16, size) || size < 24)
            return sc_broken(0);
        if (c.equals(pos, std::string_view(asf_file_properties_guid, 16))) {
            if (!c.le64(pos + 40, file_size) || !c.le64(pos + 56, packets) || !c.le32(pos + 92, min_packet) ||
                !c.le32(pos + 96, max_packet))
                return sc_broken(0);
            if (file_size > header_size)
                return sc_sized(c, file_size, "wmv");
            return asf_end_by_objects(c, header_size, packets, min_packet == max_packet ? min_packet : 0);
        }
        pos += size;
    }
    return sc_broken(0, "wmv");
}
