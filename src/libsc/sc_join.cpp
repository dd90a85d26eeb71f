#include "sc_join.h"

#include <algorithm>
#include <cstring>
#include <queue>

#include "join/sc_join_format.h"

namespace {

const uint64_t sector = 512;
// Work (bytes read to verify seams, or read and decoded by a format's own
// tests) that one find's search may spend: a few walks of its first piece,
// and what it draws from the device's pool. A JPEG's first test passes on
// the entropy-coded data of every other JPEG nearby, and a format that
// ranks pairs tests each in microseconds.
const uint64_t verify_budget = 256 * 1024;
const uint64_t verify_walks = 16;
// A format that verifies every pair its cheap tests let through (a PNG's
// or a ZIP's seam matches a stored CRC first, so few are) may draw more:
// each seam verified costs a walk of the joined file.
const uint64_t walks_budget = 48ull << 20;
const uint64_t walks = 4;
// A format that ranks the pairs that pass its own test verifies at most
// this many of them (besides those that fit as well as the file's own data,
// verified at once).
const size_t ranked_verified = 3;
// For a format that lists where its second piece may start: how many seams
// each start is tried with first. Each pairs the same bytes with another
// cut of the first piece, and a start that fails with the seams nearest the
// break rarely fits one further down; the second order still tries it with
// every seam.
const unsigned seams_per_start = 8;
// A format that ranks pairs tests each with its own decoder, which notices
// another file's data soon after the seam: fewer seams per start then.
const unsigned ranked_seams_per_start = 2;

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

namespace {

// One find's search for its second piece: pairs of a seam (where the first
// piece ends, in file positions) and a gap are verified until one joins or
// the reading budget is spent.
class join_search_c {
public:
    join_search_c(block_device_c &device, uint64_t offset, sc_cursor_c &file, sc_join_format_c &format,
                  const sc_break_s &br, uint64_t budget)
        : device_(device), offset_(offset), file_(file), format_(format), br_(br), budget_(budget)
    {
        // Seams at sector boundaries of the device, the latest first: a walk
        // notices garbage soon after the seam, rarely long after it.
        first_seam_ = (offset + br.first + sector - 1) / sector * sector - offset;
        last_seam_ = br.last >= first_seam_ ? (offset + br.last) / sector * sector - offset : 0;
    }

    std::vector<sc_piece_s> run()
    {
        if (br_.last < first_seam_)
            return {};
        if (format_.lists_starts())
            by_listed_starts();
        else
            by_every_gap();
        std::sort(ranked_.begin(), ranked_.end());
        for (size_t i = 0; i < ranked_.size() && i < ranked_verified && pieces_.empty(); ++i)
            verify(ranked_[i].seam, ranked_[i].gap);
        return pieces_;
    }

    uint64_t spent() const { return verified_ + format_.work(); }

private:
    bool gap_ok(uint64_t gap) const
    {
        return gap >= sector && gap <= sc_join_span && offset_ + br_.resume + gap < device_.size();
    }

    // False once the pair joins or the budget is spent: the search stops.
    bool go_on(uint64_t seam, uint64_t gap)
    {
        if (spent() > budget_)
            return false;
        if (!format_.seam_fits(file_, br_, seam, gap))
            return true;
        if (format_.ranks_pairs()) {
            sc_join_fit_s fit;
            if (!format_.rank(file_, br_, seam, gap, fit))
                return true;
            if (fit.whole)
                return take(seam, gap, fit.whole);
            if (!fit.smooth) {
                ranked_.push_back({fit.score, seam, gap});
                return true;
            }
        }
        return verify(seam, gap);
    }

    // False once the pair joins.
    bool verify(uint64_t seam, uint64_t gap)
    {
        joined_source_c joined(device_, offset_, seam, gap);
        sc_cursor_c cursor(joined);
        const uint64_t length = format_.verify(cursor, seam);
        if (!format_.ranks_pairs())
            verified_ += joined.bytes_read();
        return take(seam, gap, length);
    }

    // The pair joins when length bytes of it checked; false once it does.
    bool take(uint64_t seam, uint64_t gap, uint64_t length)
    {
        if (length > seam && !copy_precedes(device_, offset_, seam, gap))
            pieces_ = {{offset_, seam}, {offset_ + seam + gap, length - seam}};
        return pieces_.empty();
    }

    void by_every_gap()
    {
        for (uint64_t gap = sector; gap_ok(gap); gap += sector)
            if (format_.gap_fits(file_, br_, gap))
                for (uint64_t seam : format_.seams_for(file_, br_, gap, first_seam_, last_seam_))
                    if (!go_on(seam, gap))
                        return;
    }

    // Half the budget goes to each start with the seams nearest the break,
    // all pairs in order of the gap (the latest seam first among equal
    // gaps); starts are listed as the order reaches them. The other half
    // goes to every seam from the latest down with each start, which finds
    // a seam far below the break.
    void by_listed_starts()
    {
        const uint64_t whole_budget = budget_;
        budget_ /= 2;
        const uint64_t upto = last_seam_ + sc_join_span + 1;
        struct pair_s {
            uint64_t gap, seam;
            bool operator<(const pair_s &o) const { return gap != o.gap ? gap > o.gap : seam < o.seam; }
        };
        std::priority_queue<pair_s> queue;
        const unsigned per_start = format_.ranks_pairs() ? ranked_seams_per_start : seams_per_start;
        std::vector<uint64_t> starts;
        bool verifying = true; // until the first half of the budget is spent
        for (uint64_t from = first_seam_ + sector; spent() <= budget_;) {
            const uint64_t at = format_.next_start(file_, from, upto);
            // No start from this one on pairs at a gap below at - last_seam.
            const uint64_t reached = at == sc_cursor_c::npos ? UINT64_MAX : at - std::min(at, last_seam_);
            for (; verifying && !queue.empty() && queue.top().gap < reached; queue.pop())
                if (!go_on(queue.top().seam, queue.top().gap)) {
                    if (!pieces_.empty())
                        return;
                    verifying = false;
                }
            if (at == sc_cursor_c::npos)
                break;
            starts.push_back(at);
            unsigned paired = 0;
            for (uint64_t seam = std::min(last_seam_, at - sector) + sector;
                 verifying && seam > first_seam_ && paired < per_start;) {
                seam -= sector;
                if (!gap_ok(at - seam))
                    break;
                if (format_.seam_fits(file_, br_, seam, at - seam)) {
                    queue.push({at - seam, seam});
                    ++paired;
                }
            }
            from = at + sector;
        }
        budget_ = whole_budget;
        for (uint64_t seam = last_seam_ + sector; seam > first_seam_;) {
            seam -= sector;
            for (uint64_t at : starts)
                if (at >= seam + sector && gap_ok(at - seam) && !go_on(seam, at - seam))
                    return;
        }
    }

    block_device_c &device_;
    uint64_t offset_;
    sc_cursor_c &file_;
    sc_join_format_c &format_;
    const sc_break_s &br_;
    uint64_t first_seam_ = 0, last_seam_ = 0;
    uint64_t verified_ = 0, budget_;
    struct ranked_s {
        long score;
        uint64_t seam, gap;
        bool operator<(const ranked_s &o) const { return score < o.score; }
    };
    std::vector<ranked_s> ranked_;
    std::vector<sc_piece_s> pieces_;
};

} // namespace

std::vector<sc_piece_s> sc_join_find(block_device_c &device, uint64_t offset, sc_join_memo_s *memo)
{
    if (offset >= device.size())
        return {};
    sc_join_memo_s alone;
    if (!memo)
        memo = &alone;
    memo->jpeg_gaps.forget_before(offset);
    joined_source_c as_lies(device, offset, 0, 0);
    sc_cursor_c file(as_lies);
    std::unique_ptr<sc_join_format_c> format = sc_join_format_for(file, {device, offset, *memo});
    sc_break_s br;
    if (!format || !format->find_break(file, br) || br.last < br.first)
        return {};
    const bool ranks = format->ranks_pairs();
    const uint64_t own = (ranks ? verify_walks : walks) * br.last;
    const uint64_t budget = own + memo->pool.draw(ranks ? verify_budget : walks_budget);
    join_search_c search(device, offset, file, *format, br, budget);
    std::vector<sc_piece_s> pieces = search.run();
    memo->pool.put_back(budget - std::min(budget, search.spent()));
    // A second piece joined is no other find's.
    for (size_t i = 1; i < pieces.size(); ++i)
        memo->jpeg_gaps.take(pieces[i].offset, pieces[i].offset + pieces[i].length);
    return pieces;
}

uint64_t sc_join_pool_c::draw(uint64_t most)
{
    std::lock_guard<std::mutex> hold(lock_);
    const uint64_t got = std::min(most, left_);
    left_ -= got;
    return got;
}

void sc_join_pool_c::put_back(uint64_t bytes)
{
    std::lock_guard<std::mutex> hold(lock_);
    left_ += bytes;
}

std::vector<sc_joined_s> sc_join_finds(block_device_c &device, const std::vector<sc_join_candidate_s> &finds,
                                       std::vector<size_t> *inside, const std::function<bool()> &stopped)
{
    std::vector<sc_joined_s> joined;
    sc_join_memo_s memo;
    for (size_t i = 0; i < finds.size() && !stopped(); ++i)
        if (!finds[i].ended) {
            std::vector<sc_piece_s> pieces = sc_join_find(device, finds[i].offset, &memo);
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
