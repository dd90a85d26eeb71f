#include "sc_join_formats.h"

#include <zlib.h>

#include <algorithm>

bool sc_join_crc32(sc_cursor_c &c, uint64_t pos, uint64_t len, uint32_t &crc)
{
    uLong sum = crc32(0, nullptr, 0);
    while (len > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(len, sc_cursor_c::window_size));
        const uint8_t *w = c.window(pos, n);
        if (!w)
            return false;
        sum = crc32(sum, w, static_cast<uInt>(n));
        pos += n;
        len -= n;
    }
    crc = static_cast<uint32_t>(sum);
    return true;
}

std::vector<uint64_t> sc_join_crc_seams(sc_cursor_c &device, uint64_t from, uint64_t to, uint64_t gap,
                                        uint32_t stored, uint64_t first_seam, uint64_t last_seam)
{
    std::vector<uint64_t> seams, kept;
    for (uint64_t seam = first_seam; seam <= last_seam && seam <= to; seam += 512)
        if (seam >= from)
            seams.push_back(seam);
    if (seams.empty())
        return {};
    // prefix[i]: CRC of [from, seams[i]) as the first piece holds it.
    std::vector<uLong> prefix(seams.size());
    uint32_t crc = 0;
    if (!sc_join_crc32(device, from, seams[0] - from, crc))
        return {};
    prefix[0] = crc;
    for (size_t i = 1; i < seams.size(); ++i) {
        if (!sc_join_crc32(device, seams[i - 1], 512, crc))
            return {};
        prefix[i] = crc32_combine(prefix[i - 1], crc, 512);
    }
    // suffix: CRC of [seams[i], to) as the second piece holds it.
    uLong suffix = 0;
    uint64_t suffix_len = 0;
    for (size_t i = seams.size(); i-- > 0;) {
        const uint64_t start = seams[i], end = i + 1 < seams.size() ? seams[i + 1] : to;
        if (!sc_join_crc32(device, start + gap, end - start, crc))
            return {};
        suffix = suffix_len ? crc32_combine(crc, suffix, static_cast<z_off_t>(suffix_len)) : crc;
        suffix_len += end - start;
        if (crc32_combine(prefix[i], suffix, static_cast<z_off_t>(suffix_len)) == stored)
            kept.push_back(seams[i]);
    }
    return kept;
}

std::vector<uint64_t> sc_join_format_c::seams_for(sc_cursor_c &, const sc_break_s &, uint64_t, uint64_t first_seam,
                                                  uint64_t last_seam)
{
    std::vector<uint64_t> seams;
    for (uint64_t seam = last_seam + 512; seam > first_seam;)
        seams.push_back(seam -= 512);
    return seams;
}

std::unique_ptr<sc_join_format_c> sc_join_format_for(sc_cursor_c &file, const sc_join_place_s &place)
{
    if (file.equals(0, "\x89PNG\r\n\x1a\n"))
        return sc_png_join();
    if (file.equals(0, "PK\x03\x04"))
        return sc_zip_join();
    if (file.equals(0, "\xff\xd8\xff"))
        return sc_jpeg_join(place);
    return nullptr;
}
