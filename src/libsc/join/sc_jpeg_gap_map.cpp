#include "sc_jpeg_gap_map.h"

#include <algorithm>
#include <cstring>

#include "checks/sc_check_list.h"
#include "sc_join.h"
#include "sc_jpeg_resume.h"

namespace {

const uint64_t sector = 512;
const size_t sweep_window = 64 * 1024;
// How far past a place the sweep looks for the first marker: further than
// any file that is joined.
const uint64_t sweep_reach = sc_join_max_file + sc_join_span;
// How far ahead of the sweep a place may be for the sweep to go on to it.
const uint64_t jump_past = sweep_window;

uint64_t next_sector(uint64_t pos)
{
    return (pos + sector - 1) / sector * sector;
}

// The device from a place on, as far as a file that is joined may reach.
class device_source_c : public sc_source_c {
public:
    device_source_c(block_device_c &device, uint64_t from)
        : device_(device), from_(from), limit_(std::min(device.size() - from, sc_join_max_file))
    {
    }
    uint64_t limit() const override { return limit_; }
    size_t read(uint64_t pos, void *buffer, size_t len) override
    {
        if (pos >= limit_)
            return 0;
        len = static_cast<size_t>(std::min<uint64_t>(len, limit_ - pos));
        const int64_t got = device_.read_at(from_ + pos, buffer, len);
        return got < 0 ? 0 : static_cast<size_t>(got);
    }

private:
    block_device_c &device_;
    uint64_t from_, limit_;
};

// Where the JPEG that starts at pos ends when our decoder takes it whole,
// else 0. Only one whose markers walk to an EOI is decoded: a first piece
// cut off by another file's start (most JPEGs the sweep meets when files
// are in pieces) is told by its markers at the cost of a search for 0xff.
uint64_t whole_jpeg_end(block_device_c &device, uint64_t pos)
{
    device_source_c from(device, pos);
    sc_cursor_c c(from);
    if (!check_jpeg(c).walked)
        return 0;
    sc_jpeg_resume_c jpeg;
    return jpeg.run(c) && jpeg.whole() ? pos + jpeg.end() : 0;
}

// Whether the sector at pos cannot be entropy-coded data, though it holds
// no marker: one byte repeated (free space, fill), or no byte with its top
// bit set (text).
bool not_entropy_coded(block_device_c &device, uint64_t pos)
{
    uint8_t s[sector];
    if (!device.read_exact(pos, s, sector))
        return true;
    uint8_t high = 0;
    for (uint8_t b : s)
        high |= b;
    return !(high & 0x80) || memcmp(s, s + 1, sector - 1) == 0;
}

} // namespace

bool sc_jpeg_gap_map_c::sweep_past(block_device_c &device, uint64_t pos)
{
    // Outside what is known: start again at pos. Before it, a search on
    // another thread lags behind; far past it, what lies between (whole
    // files most of the time, each a decode) is no later search's business.
    if (pos < start_ || pos > swept_ + jump_past) {
        markers_.clear();
        start_ = swept_ = pos;
    }
    const uint64_t stop = std::min(device.size(), pos + sweep_reach);
    std::vector<uint8_t> &w = window_;
    w.resize(sweep_window);
    while (markers_.empty() || markers_.back().pos < pos) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(w.size(), stop > swept_ ? stop - swept_ : 0));
        if (n < 2 || !device.read_exact(swept_, w.data(), n))
            return false;
        size_t i = 0;
        uint64_t next = swept_ + n - 1; // a 0xff in the last byte is looked at with the byte after it
        while (i + 1 < n) {
            const auto *ff = static_cast<const uint8_t *>(memchr(w.data() + i, 0xff, n - 1 - i));
            if (!ff)
                break;
            const size_t j = static_cast<size_t>(ff - w.data());
            const uint8_t b = w[j + 1];
            i = j + (b == 0xff ? 1 : 2);
            if (b == 0x00 || b == 0xff || (b >= 0xd0 && b <= 0xd7))
                continue;
            const uint64_t at = swept_ + j;
            markers_.push_back({at, b == 0xd9 ? at + 2 : 0});
            // A JPEG that decodes whole on its own holds no second piece.
            uint64_t end = 0;
            if (b == 0xd8 && at % sector == 0) {
                auto known = whole_end_.find(at);
                end = known != whole_end_.end() ? known->second : (whole_end_[at] = whole_jpeg_end(device, at));
            }
            if (end) {
                take(at, end);
                next = end;
                break;
            }
        }
        swept_ = std::max(next, swept_ + i);
    }
    return true;
}

void sc_jpeg_gap_map_c::take(uint64_t begin, uint64_t end)
{
    if (end > begin)
        taken_[begin] = std::max(taken_[begin], end);
}

uint64_t sc_jpeg_gap_map_c::first_start(block_device_c &device, uint64_t from, uint64_t upto, uint64_t &eoi_end)
{
    for (uint64_t p = next_sector(from); p < upto;) {
        if (!sweep_past(device, p))
            return UINT64_MAX;
        size_t i = static_cast<size_t>(std::lower_bound(markers_.begin(), markers_.end(), p,
                                                        [](const marker_s &a, uint64_t pos) { return a.pos < pos; }) -
                                       markers_.begin());
        // Past the markers that are not EOI in one walk.
        while (i < markers_.size() && markers_[i].eoi_end == 0) {
            p = next_sector(markers_[i].pos + 1);
            while (i < markers_.size() && markers_[i].pos < p)
                ++i;
        }
        if (p >= upto || i == markers_.size())
            continue; // ends the loop, or sweeps on from p
        auto t = taken_.upper_bound(p);
        if (t != taken_.begin() && p < std::prev(t)->second) {
            p = next_sector(std::prev(t)->second);
            continue;
        }
        auto known = not_coded_.find(p);
        if (known == not_coded_.end())
            known = not_coded_.emplace(p, not_entropy_coded(device, p)).first;
        if (!known->second) {
            eoi_end = markers_[i].eoi_end;
            return p;
        }
        p += sector;
    }
    return UINT64_MAX;
}

uint64_t sc_jpeg_gap_map_c::next_start(block_device_c &device, uint64_t from, uint64_t upto)
{
    std::lock_guard<std::mutex> hold(lock_);
    uint64_t eoi_end = 0;
    return first_start(device, from, upto, eoi_end);
}

uint64_t sc_jpeg_gap_map_c::eoi_after(block_device_c &device, uint64_t pos)
{
    std::lock_guard<std::mutex> hold(lock_);
    uint64_t eoi_end = 0;
    return pos % sector == 0 && first_start(device, pos, pos + 1, eoi_end) == pos ? eoi_end : 0;
}

void sc_jpeg_gap_map_c::forget_before(uint64_t pos)
{
    const uint64_t cut = pos > sc_join_span ? pos - sc_join_span : 0;
    std::lock_guard<std::mutex> hold(lock_);
    if (start_ == UINT64_MAX || cut <= start_)
        return;
    markers_.erase(markers_.begin(), std::lower_bound(markers_.begin(), markers_.end(), cut,
                                                      [](const marker_s &a, uint64_t p) { return a.pos < p; }));
    start_ = cut;
    if (swept_ < cut)
        swept_ = cut;
    for (auto it = taken_.begin(); it != taken_.end() && it->first < cut;)
        it = it->second <= cut ? taken_.erase(it) : std::next(it);
    not_coded_.erase(not_coded_.begin(), not_coded_.lower_bound(cut));
    whole_end_.erase(whole_end_.begin(), whole_end_.lower_bound(cut));
}
