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

std::vector<uint64_t> sc_join_format_c::seams_for(sc_cursor_c &, const sc_break_s &, uint64_t, uint64_t first_seam,
                                                  uint64_t last_seam)
{
    std::vector<uint64_t> seams;
    for (uint64_t seam = last_seam + 512; seam > first_seam;)
        seams.push_back(seam -= 512);
    return seams;
}

std::unique_ptr<sc_join_format_c> sc_join_format_for(sc_cursor_c &file)
{
    if (file.equals(0, "\x89PNG\r\n\x1a\n"))
        return sc_png_join();
    if (file.equals(0, "PK\x03\x04"))
        return sc_zip_join();
    if (file.equals(0, "\xff\xd8\xff"))
        return sc_jpeg_join();
    return nullptr;
}
