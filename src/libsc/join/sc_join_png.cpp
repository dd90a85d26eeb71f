// PNG: every chunk carries the CRC-32 of its type and data.
#include <zlib.h>

#include "sc_join_formats.h"

namespace {

bool chunk_header(sc_cursor_c &c, uint64_t pos, uint32_t &len)
{
    uint8_t type[4];
    if (!c.be32(pos, len) || len > 0x7fffffffu || !c.bytes(pos + 4, type, 4))
        return false;
    for (uint8_t t : type)
        if (!((t >= 'A' && t <= 'Z') || (t >= 'a' && t <= 'z')))
            return false;
    return true;
}

// Whether the chunk at pos (its header read) holds the CRC of its type and data.
bool chunk_crc_holds(sc_cursor_c &c, uint64_t pos, uint32_t len)
{
    uint32_t stored = 0, crc = 0;
    return c.be32(pos + 8 + len, stored) && sc_join_crc32(c, pos + 4, 4ull + len, crc) && crc == stored;
}

// Walks chunks from pos, each CRC checked, to the end of IEND; that end, or
// the position of the first chunk that does not check (with ok false).
uint64_t walk_chunks(sc_cursor_c &c, uint64_t pos, bool &ok)
{
    for (;;) {
        uint32_t len = 0;
        ok = chunk_header(c, pos, len) && chunk_crc_holds(c, pos, len);
        if (!ok)
            return pos;
        if (c.equals(pos + 4, "IEND"))
            return pos + 12 + len;
        pos += 12ull + len;
    }
}

class png_join_c : public sc_join_format_c {
public:
    bool find_break(sc_cursor_c &file, sc_break_s &out) override
    {
        bool ok = false;
        const uint64_t at = walk_chunks(file, 8, ok);
        if (ok || at <= 8)
            return false; // whole, or broken in its first chunk's header: nothing to go on from
        uint32_t len = 0;
        // The chunk's header lies before the seam and its data or CRC after
        // it; else the seam is where the chunk starts.
        if (chunk_header(file, at, len))
            out = {at + 8, at + 11 + len, at + 12 + len};
        else
            out = {at, at, at};
        return true;
    }
    bool gap_fits(sc_cursor_c &device, const sc_break_s &br, uint64_t gap) override
    {
        // The chunks after the seam chunk lie wholly in the second piece.
        bool ok = false;
        walk_chunks(device, br.resume + gap, ok);
        return ok;
    }
    // For a seam inside the broken chunk's data only the seams whose joined
    // bytes give the chunk's stored CRC.
    std::vector<uint64_t> seams_for(sc_cursor_c &device, const sc_break_s &br, uint64_t gap, uint64_t first_seam,
                                    uint64_t last_seam) override
    {
        const uint64_t chunk = br.first - 8, crc_at = br.resume - 4; // file positions
        uint32_t stored = 0;
        if (br.resume == br.first || first_seam > crc_at || !device.be32(crc_at + gap, stored))
            return sc_join_format_c::seams_for(device, br, gap, first_seam, last_seam);
        std::vector<uint64_t> kept = sc_join_crc_seams(device, chunk + 4, crc_at, gap, stored, first_seam, last_seam);
        // A seam in the CRC itself (at most one sector boundary) is verified as it is.
        if (last_seam > crc_at && last_seam >= first_seam)
            kept.insert(kept.begin(), last_seam);
        return kept;
    }
    uint64_t verify(sc_cursor_c &joined, uint64_t) override
    {
        bool ok = false;
        const uint64_t end = walk_chunks(joined, 8, ok);
        return ok ? end : 0;
    }
};

} // namespace

std::unique_ptr<sc_join_format_c> sc_png_join()
{
    return std::make_unique<png_join_c>();
}
