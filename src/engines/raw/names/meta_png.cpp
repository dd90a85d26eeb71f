// PNG: the tIME chunk, the image's last change in UTC. Encoders write it
// among the chunks before the image data or just before IEND, so the head's
// chunks are walked, then the tail is searched for a chunk whose CRC holds.
#include <zlib.h>

#include "carved_dates.h"
#include "carved_meta.h"

namespace {

const size_t head_size = 16 * 1024; // colour profiles and text chunks come first
const size_t tail_size = 1024;
const std::string time_header("\0\0\0\x07tIME", 8); // its data is always 7 bytes

// The date of the tIME chunk that starts at pos of bytes; 0 when it is none or damaged.
int64_t time_chunk(const std::string &bytes, size_t pos)
{
    if (pos > bytes.size() || bytes.size() - pos < 8 + 7 + 4 || bytes.compare(pos, 8, time_header) != 0)
        return 0;
    const char *p = bytes.data() + pos + 4; // type, data, CRC
    if (crc32(0, reinterpret_cast<const Bytef *>(p), 4 + 7) != get_be32(p + 11))
        return 0;
    civil_time_s t;
    t.year = get_be16(p + 4);
    t.month = static_cast<uint8_t>(p[6]);
    t.day = static_cast<uint8_t>(p[7]);
    t.hour = static_cast<uint8_t>(p[8]);
    t.minute = static_cast<uint8_t>(p[9]);
    t.second = static_cast<uint8_t>(p[10]);
    return utc_seconds(t);
}

} // namespace

carved_meta_s png_meta(carved_bytes_c &file)
{
    const std::string head = bytes_at(file, 0, head_size);
    if (head.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return {};
    for (uint64_t pos = 8; pos + 8 <= head.size(); pos += 12ull + get_be32(head.data() + pos)) {
        if (head.compare(pos + 4, 4, "tIME") == 0)
            return {{}, time_chunk(head, static_cast<size_t>(pos))};
        if (head.compare(pos + 4, 4, "IDAT") == 0)
            break;
    }
    uint64_t tail_at = 0;
    const std::string tail = tail_of(file, tail_size, &tail_at);
    const size_t at = tail.rfind(time_header);
    return {{}, at == std::string::npos ? 0 : time_chunk(tail, at)};
}
