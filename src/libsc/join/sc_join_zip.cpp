// ZIP: every local entry carries the CRC-32 and sizes of its data (in its
// header, or in a descriptor after the data when a streaming writer did not
// know them yet), and the central directory the offsets of the entries.
#include <zlib.h>

#include <algorithm>
#include <string>

#include "checks/sc_check_list.h"
#include "sc_join_formats.h"

namespace {

// What inflating a raw deflate stream gave.
struct inflated_s {
    bool ended = false;    // the stream ended where it said
    uint64_t consumed = 0; // packed bytes up to its end
    uint64_t size = 0;
    uint32_t crc = 0;
    uint64_t stopped = 0; // where the input stopped making sense
};

// Inflates the raw deflate stream at pos, reading at most packed bytes (up
// to the cursor's limit when packed is npos: a stream that ends itself).
inflated_s inflate_at(sc_cursor_c &c, uint64_t pos, uint64_t packed)
{
    inflated_s r;
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return r;
    static thread_local uint8_t out[65536];
    uLong crc = crc32(0, nullptr, 0);
    int rc = Z_OK;
    const uint64_t bound = std::min(packed, c.limit() > pos ? c.limit() - pos : 0);
    uint64_t done = 0;
    while (rc == Z_OK && done < bound) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(bound - done, sc_cursor_c::window_size));
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
            crc = crc32(crc, out, static_cast<uInt>(made));
            r.size += made;
            if (rc == Z_BUF_ERROR && z.avail_in == 0)
                rc = Z_OK;
        }
        done += n - z.avail_in;
    }
    inflateEnd(&z);
    r.ended = rc == Z_STREAM_END;
    r.consumed = done;
    r.crc = static_cast<uint32_t>(crc);
    // A stream that makes sense to the end of its packed size points past
    // it; one that breaks, or ends early, at where that happened.
    const bool known = packed != sc_cursor_c::npos;
    r.stopped = pos + (rc == Z_OK && known && done == bound ? packed : done);
    return r;
}

// Whether a data descriptor at at (with or without its signature, with
// 32- or 64-bit sizes) gives what the entry's data inflated to; *end is
// where it ends.
bool descriptor_holds(sc_cursor_c &c, uint64_t at, const inflated_s &r, uint64_t *end)
{
    const uint64_t signature = c.equals(at, "PK\x07\x08") ? 4 : 0;
    uint32_t crc = 0;
    if (!c.le32(at + signature, crc) || crc != r.crc)
        return false;
    for (uint64_t width : {4, 8}) {
        uint64_t packed = 0, size = 0;
        uint32_t packed32 = 0, size32 = 0;
        const uint64_t sizes = at + signature + 4;
        const bool read = width == 8 ? c.le64(sizes, packed) && c.le64(sizes + 8, size)
                                     : c.le32(sizes, packed32) && c.le32(sizes + 4, size32);
        if (width == 4) {
            packed = packed32;
            size = size32;
        }
        if (read && packed == r.consumed && size == (width == 8 ? r.size : r.size & 0xffffffffu)) {
            *end = sizes + 2 * width;
            return true;
        }
    }
    return false;
}

enum class entry_e { good, bad, not_joinable };

// What the walk learnt of the last local entry it looked at.
struct entry_s {
    uint64_t header = 0;  // where its local header starts
    uint64_t data = 0;    // where its data starts
    uint64_t end = 0;     // where the next record starts
    uint64_t stopped = 0; // where its data stopped inflating
    uint32_t crc = 0;
    bool stored = false;
    bool sizes_after = false; // its sizes follow its data (a data descriptor)
};

// Checks the data of the local entry at pos against its header, or against
// the descriptor after it when its sizes were not known when it was written.
entry_e check_entry(sc_cursor_c &c, uint64_t pos, entry_s &e)
{
    uint16_t flags = 0, method = 0, name_len = 0, extra_len = 0;
    uint32_t packed = 0, size = 0;
    if (!c.le16(pos + 6, flags) || !c.le16(pos + 8, method) || !c.le32(pos + 14, e.crc) || !c.le32(pos + 18, packed) ||
        !c.le32(pos + 22, size) || !c.le16(pos + 26, name_len) || !c.le16(pos + 28, extra_len))
        return entry_e::bad;
    e.header = pos;
    e.sizes_after = flags & 8;
    e.stored = method == 0;
    // Encrypted entries, ZIP64 sizes in the header, other methods, and stored
    // data whose size follows it (nothing tells where it ends) are not joined.
    if ((flags & 1) || (method != 0 && method != 8) || (e.sizes_after && e.stored) ||
        (!e.sizes_after && packed == 0xffffffffu))
        return entry_e::not_joinable;
    e.data = pos + 30 + name_len + extra_len;
    if (e.sizes_after) {
        const inflated_s r = inflate_at(c, e.data, sc_cursor_c::npos);
        e.stopped = r.ended ? e.data + r.consumed + 24 : r.stopped; // the descriptor is at most 24 bytes
        return r.ended && descriptor_holds(c, e.data + r.consumed, r, &e.end) ? entry_e::good : entry_e::bad;
    }
    e.end = e.stopped = e.data + packed;
    uint32_t got = 0;
    if (e.stored)
        return packed == size && sc_join_crc32(c, e.data, packed, got) && got == e.crc ? entry_e::good : entry_e::bad;
    const inflated_s r = inflate_at(c, e.data, packed);
    e.stopped = r.stopped;
    return r.ended && r.consumed == packed && r.size == size && r.crc == e.crc ? entry_e::good : entry_e::bad;
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
        // inflating (zlib holds a few bytes ahead). Where an entry whose
        // sizes follow its data ends is known only once it is joined.
        if (e == entry_e::bad && broken_.sizes_after)
            out = {broken_.data, broken_.stopped + 64, broken_.data};
        else if (e == entry_e::bad)
            out = {broken_.data, std::min(broken_.end - 1, broken_.stopped + 64), broken_.end};
        else if (!file.equals(pos, "PK\x01\x02"))
            out = {pos, pos + 3, pos}; // in the signature of the record after it
        else
            return false; // whole, or broken in its directory, which holds no CRC
        broken_.stored = broken_.stored && e == entry_e::bad;
        broken_.sizes_after = broken_.sizes_after && e == entry_e::bad;
        return true;
    }
    bool gap_fits(sc_cursor_c &device, const sc_break_s &br, uint64_t gap) override
    {
        if (broken_.sizes_after) {
            if (!directory_searched_)
                find_directory_gaps(device, br);
            return std::binary_search(directory_gaps_.begin(), directory_gaps_.end(), gap);
        }
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
    // The gaps that put a central directory that lists the broken entry
    // where the end record after it says the directory starts, nearest
    // first. An entry whose sizes follow its data gives no cheaper test.
    void find_directory_gaps(sc_cursor_c &device, const sc_break_s &br)
    {
        directory_searched_ = true;
        // End records looked at, and gaps kept: other archives (copies made
        // from the same entries list the broken one too) and noise hold them.
        const size_t most_seen = 64, most_kept = 4;
        uint64_t at = device.find("PK\x05\x06", br.first);
        for (size_t seen = 0; at != sc_cursor_c::npos && seen < most_seen && directory_gaps_.size() < most_kept;
             ++seen, at = device.find("PK\x05\x06", at + 1)) {
            uint32_t size = 0, offset = 0;
            if (!device.le32(at + 12, size) || !device.le32(at + 16, offset) || at <= uint64_t{size} + offset)
                continue;
            const uint64_t gap = at - size - offset;
            if (gap % 512 == 0 && lists_broken_entry(device, at - size, size))
                directory_gaps_.push_back(gap);
        }
        std::sort(directory_gaps_.begin(), directory_gaps_.end());
    }

    // Whether the central directory at cd (size bytes) lists the broken
    // entry: its local header's offset and its name. Another archive's
    // directory in the gap does not.
    bool lists_broken_entry(sc_cursor_c &device, uint64_t cd, uint64_t size)
    {
        uint16_t name_len = 0;
        if (!device.le16(broken_.header + 26, name_len))
            return false;
        std::string name(name_len, '\0'), listed(name_len, '\0');
        if (!device.bytes(broken_.header + 30, name.data(), name_len))
            return false;
        for (uint64_t p = cd; p + 46 <= cd + size && device.equals(p, "PK\x01\x02");) {
            uint16_t n = 0, x = 0, k = 0;
            uint32_t local = 0;
            if (!device.le16(p + 28, n) || !device.le16(p + 30, x) || !device.le16(p + 32, k) ||
                !device.le32(p + 42, local))
                return false;
            if (local == broken_.header && n == name_len && device.bytes(p + 46, listed.data(), n) && listed == name)
                return true;
            p += 46ull + n + x + k;
        }
        return false;
    }

    entry_s broken_; // the entry the walk broke in
    bool directory_searched_ = false;
    std::vector<uint64_t> directory_gaps_;
};

} // namespace

std::unique_ptr<sc_join_format_c> sc_zip_join()
{
    return std::make_unique<zip_join_c>();
}
