#include "sc_join.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "join/sc_join_format.h"

namespace {

const uint64_t sector = 512;
// Bytes that verifying seams may read per find, besides a few walks of the
// file: each seam tried costs a walk of the joined file, and a JPEG's first
// test passes on the entropy-coded data of every other JPEG nearby.
const uint64_t verify_budget = 48ull << 20;
const uint64_t verify_walks = 4;
// For a format that tries every seam of each gap first: how many seams one
// start of a second piece is tried with then. Each (seam, gap) with the
// same sum pairs the same bytes with another cut of the first piece, and a
// start that fails with the seams nearest the break rarely fits one further
// down; the second order still tries it with every seam.
const unsigned seams_per_start = 8;

// The file from start on, with the device's bytes [start + break_at,
// start + break_at + gap) left out; gap 0 reads the bytes as they lie.
class joined_source_c : public sc_source_c {
public:
    joined_source_c(block_device_c &device, uint64_t start, uint64_t break_at, uint64_t gap)
        : device_(device), start_(start), break_at_(break_at), gap_(gap)
    {
        // As the bytes lie, the search for the second piece reads past the file's end.
        const uint64_t total = device.size() - start;
        limit_ = gap == 0 ? std::min(total, sc_join_max_file + sc_join_span + sector)
                          : std::min(total > gap ? total - gap : 0, sc_join_max_file);
    }
    uint64_t limit() const override { return limit_; }
    uint64_t bytes_read() const { return read_; }
    size_t read(uint64_t pos, void *buffer, size_t len) override
    {
        if (pos >= limit_)
            return 0;
        len = static_cast<size_t>(std::min<uint64_t>(len, limit_ - pos));
        read_ += len;
        auto *to = static_cast<uint8_t *>(buffer);
        size_t done = 0;
        if (pos < break_at_) { // the part before the seam, from the first piece
            size_t n = static_cast<size_t>(std::min<uint64_t>(len, break_at_ - pos));
            int64_t got = device_.read_at(start_ + pos, to, n);
            if (got < static_cast<int64_t>(n))
                return got < 0 ? 0 : static_cast<size_t>(got);
            done = n;
        }
        if (done < len) {
            int64_t got = device_.read_at(start_ + pos + done + gap_, to + done, len - done);
            done += got < 0 ? 0 : static_cast<size_t>(got);
        }
        return done;
    }

private:
    block_device_c &device_;
    uint64_t start_, break_at_, gap_, limit_ = 0, read_ = 0;
};

// Whether the seam bytes of the first piece (at offset) lie again right
// before the second piece, gap bytes further on: the two pieces then join
// to a copy of a file that lies whole in the gap (two archives made from
// the same first entries), not to the file that was cut.
bool copy_precedes(block_device_c &device, uint64_t offset, uint64_t seam, uint64_t gap)
{
    if (gap < seam)
        return false;
    std::vector<uint8_t> first(64 * 1024), copy(first.size());
    for (uint64_t at = 0; at < seam; at += first.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(first.size(), seam - at));
        if (!device.read_exact(offset + at, first.data(), n) || !device.read_exact(offset + gap + at, copy.data(), n) ||
            memcmp(first.data(), copy.data(), n) != 0)
            return false;
    }
    return true;
}

} // namespace

std::vector<sc_piece_s> sc_join_find(block_device_c &device, uint64_t offset)
{
    if (offset >= device.size())
        return {};
    joined_source_c as_lies(device, offset, 0, 0);
    sc_cursor_c file(as_lies);
    std::unique_ptr<sc_join_format_c> format = sc_join_format_for(file);
    sc_break_s br;
    if (!format || !format->find_break(file, br) || br.last < br.first)
        return {};
    // Seams at sector boundaries of the device, the latest first: a walk
    // notices garbage soon after the seam, rarely long after it.
    const uint64_t first_seam = (offset + br.first + sector - 1) / sector * sector - offset;
    if (br.last < first_seam)
        return {};
    const uint64_t last_seam = (offset + br.last) / sector * sector - offset;
    uint64_t verified = 0, budget = verify_budget + verify_walks * br.last;
    std::vector<sc_piece_s> pieces;
    std::unordered_map<uint64_t, unsigned> seams_tried; // by where the second piece starts
    // False once the pair joins or the budget is spent: the search stops.
    // capped: a start already tried with seams_per_start seams is passed over.
    auto go_on = [&](uint64_t seam, uint64_t gap, bool capped) {
        if (!format->seam_fits(file, br, seam, gap) || (capped && ++seams_tried[seam + gap] > seams_per_start))
            return true;
        if (verified > budget)
            return false;
        joined_source_c joined(device, offset, seam, gap);
        sc_cursor_c cursor(joined);
        const uint64_t length = format->verify(cursor, seam);
        verified += joined.bytes_read();
        if (length > seam && !copy_precedes(device, offset, seam, gap))
            pieces = {{offset, seam}, {offset + seam + gap, length - seam}};
        return pieces.empty();
    };
    auto gap_ok = [&](uint64_t gap) { return gap <= sc_join_span && offset + br.resume + gap < device.size(); };
    // Every seam for the smallest gap first; a format whose seam lies close
    // below the break then gets the rest of the budget for every gap of the
    // latest seam first, which finds a large gap sooner.
    if (format->seams_first())
        budget /= 2;
    for (uint64_t gap = sector; gap_ok(gap); gap += sector) {
        if (!format->gap_fits(file, br, gap))
            continue;
        for (uint64_t seam : format->seams_for(file, br, gap, first_seam, last_seam))
            if (!go_on(seam, gap, format->seams_first()))
                goto first_order_done;
    }
first_order_done:
    if (!pieces.empty() || !format->seams_first())
        return pieces;
    verified = 0;
    for (uint64_t seam = last_seam + sector; seam > first_seam;) {
        seam -= sector;
        for (uint64_t gap = sector; gap_ok(gap); gap += sector)
            if (!go_on(seam, gap, false))
                return pieces;
    }
    return pieces;
}

std::vector<sc_joined_s> sc_join_finds(block_device_c &device, const std::vector<sc_join_candidate_s> &finds,
                                       std::vector<size_t> *inside, const std::function<bool()> &stopped)
{
    std::vector<sc_joined_s> joined;
    for (size_t i = 0; i < finds.size() && !stopped(); ++i)
        if (!finds[i].ended) {
            std::vector<sc_piece_s> pieces = sc_join_find(device, finds[i].offset);
            if (!pieces.empty())
                joined.push_back({i, std::move(pieces)});
        }
    *inside = sc_join_inside(finds, joined);
    return joined;
}

std::vector<size_t> sc_join_inside(const std::vector<sc_join_candidate_s> &finds,
                                   const std::vector<sc_joined_s> &joined)
{
    std::vector<size_t> inside;
    for (size_t i = 0; i < finds.size(); ++i)
        for (const sc_joined_s &j : joined)
            if (std::any_of(j.pieces.begin() + 1, j.pieces.end(), [&](const sc_piece_s &p) {
                    return finds[i].offset >= p.offset && finds[i].offset - p.offset < p.length;
                })) {
                inside.push_back(i);
                break;
            }
    return inside;
}
