// ZIP: every local entry carries the CRC-32 and sizes of its data, and the
// central directory the offsets of the entries.
#include <zlib.h>

#include <algorithm>

#include "checks/sc_check_list.h"
#include "sc_join_formats.h"

namespace {

// Inflates the raw deflate stream of packed bytes at pos: true when it ends
// exactly there, giving size bytes whose CRC-32 is crc. *stopped is where
// the input stopped making sense (pos + packed when it never did).
bool inflates_to(sc_cursor_c &c, uint64_t pos, uint64_t packed, uint64_t size, uint32_t crc, uint64_t *stopped)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    static thread_local uint8_t out[65536];
    uint32_t got_crc = crc32(0, nullptr, 0);
    uint64_t got_size = 0;
    int rc = Z_OK;
    uint64_t done = 0;
    while (rc == Z_OK && done < packed) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(packed - done, sc_cursor_c::window_size));
        const uint8_t *in = c.window(pos + done, n);
        if (!in)
            break;
        z.next_in = const_cast<Bytef *>(in);
        z.avail_in = static_cast<uInt>(n);
        while (rc == Z_OK && (z.avail_in > 0 || z.avail_out == 0)) {
            z.next_out = out;
            z.avail_out = sizeof(out);
            rc = inflate(&z, Z_NO_FLUSH);
            const size_t made = sizeof(out) - z.avail_out;
            got_crc = crc32(got_crc, out, static_cast<uInt>(made));
            got_size += made;
            if (rc == Z_BUF_ERROR && z.avail_in == 0)
                rc = Z_OK;
        }
        done += n - z.avail_in;
        if (rc == Z_STREAM_END && done != packed)
            rc = Z_DATA_ERROR; // the stream ends before the packed size says
    }
    inflateEnd(&z);
    *stopped = rc == Z_OK || rc == Z_STREAM_END ? pos + packed : pos + done;
    return rc == Z_STREAM_END && got_size == size && got_crc == crc;
}

enum class entry_e { good, bad, not_joinable };

// What the walk learnt of the last local entry it looked at.
struct entry_s {
    uint64_t data = 0;    // where its data starts
    uint64_t end = 0;     // where the next record starts
    uint64_t stopped = 0; // where its data stopped inflating
    uint32_t crc = 0;
    bool stored = false;
};

// Checks the data of the local entry at pos against its header.
entry_e check_entry(sc_cursor_c &c, uint64_t pos, entry_s &e)
{
    uint16_t flags = 0, method = 0, name_len = 0, extra_len = 0;
    uint32_t packed = 0, size = 0;
    if (!c.le16(pos + 6, flags) || !c.le16(pos + 8, method) || !c.le32(pos + 14, e.crc) ||
        !c.le32(pos + 18, packed) || !c.le32(pos + 22, size) || !c.le16(pos + 26, name_len) ||
        !c.le16(pos + 28, extra_len))
        return entry_e::bad;
    // Sizes after the data, ZIP64 sizes and other methods are not joined.
    if ((flags & 9) || packed == 0xffffffffu || (method != 0 && method != 8))
        return entry_e::not_joinable;
    e.data = pos + 30 + name_len + extra_len;
    e.end = e.stopped = e.data + packed;
    e.stored = method == 0;
    uint32_t got = 0;
    const bool holds = e.stored ? packed == size && sc_join_crc32(c, e.data, packed, got) && got == e.crc
                                : inflates_to(c, e.data, packed, size, e.crc, &e.stopped);
    return holds ? entry_e::good : entry_e::bad;
}

// Walks local entries from pos while they check; where the walk stopped.
entry_e walk_entries(sc_cursor_c &c, uint64_t &pos, entry_s &e)
{
    while (c.equals(pos, "PK\x03\x04")) {
        entry_e result = check_entry(c, pos, e);
        if (result != entry_e::good)
            return result;
        pos = e.end;
    }
    return entry_e::good;
}

class zip_join_c : public sc_join_format_c {
public:
    bool find_break(sc_cursor_c &file, sc_break_s &out) override
    {
        uint64_t pos = 0;
        const entry_e e = walk_entries(file, pos, broken_);
        if (e == entry_e::not_joinable)
            return false;
        // The seam lies in the entry's data, before where it stopped
        // inflating (zlib holds a few bytes ahead).
        if (e == entry_e::bad)
            out = {broken_.data, std::min(broken_.end - 1, broken_.stopped + 64), broken_.end};
        else if (!file.equals(pos, "PK\x01\x02"))
            out = {pos, pos + 3, pos}; // in the signature of the record after it
        else
            return false; // whole, or broken in its directory, which holds no CRC
        broken_.stored = broken_.stored && e == entry_e::bad;
        return true;
    }
    bool gap_fits(sc_cursor_c &device, const sc_break_s &br, uint64_t gap) override
    {
        // The entries after the seam's lie wholly in the second piece, then the directory.
        uint64_t pos = br.resume + gap;
        entry_s e;
        return walk_entries(device, pos, e) == entry_e::good && device.equals(pos, "PK\x01\x02");
    }
    // In a stored entry only the seams whose joined data gives its CRC.
    std::vector<uint64_t> seams_for(sc_cursor_c &device, const sc_break_s &br, uint64_t gap, uint64_t first_seam,
                                    uint64_t last_seam) override
    {
        if (!broken_.stored)
            return sc_join_format_c::seams_for(device, br, gap, first_seam, last_seam);
        return sc_join_crc_seams(device, broken_.data, broken_.end, gap, broken_.crc, first_seam, last_seam);
    }
    uint64_t verify(sc_cursor_c &joined, uint64_t) override
    {
        uint64_t pos = 0;
        entry_s e;
        if (walk_entries(joined, pos, e) != entry_e::good || !joined.equals(pos, "PK\x01\x02"))
            return 0;
        const sc_result_s r = check_zip(joined);
        return r.verdict == sc_verdict_e::whole ? r.length : 0;
    }

private:
    entry_s broken_; // the entry the walk broke in
};

} // namespace

std::unique_ptr<sc_join_format_c> sc_zip_join()
{
    return std::make_unique<zip_join_c>();
}
