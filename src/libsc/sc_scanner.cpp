#include "sc_scanner.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "sc_block_reader.h"
#include "sc_control_access.h"
#include "sc_matcher.h"
#include "sc_next_header.h"
#include "sc_zero_run.h"

namespace {

const size_t sector = 512;
const size_t block_size = 4 << 20;

// The first sector of zeros at or after from, before the next file of the
// family: free space, where a file whose end is not known is taken to stop.
uint64_t zero_sector_after(sc_cursor_c &c, uint64_t from)
{
    const uint64_t bound = c.search_end(from, c.limit());
    static const uint8_t zeros[sector] = {};
    for (uint64_t at = (from + sector - 1) / sector * sector; at + sector <= bound; at += sector) {
        const uint8_t *w = c.window(at, sector);
        if (!w || memcmp(w, zeros, sector) == 0)
            return at;
    }
    return bound;
}

// Where a file ends whose structure did not say: the footer after where the
// structure broke off (footer_found set), else that break, else the first
// zeroed sector or the next file of the family, else the maximum size.
uint64_t unproven_length(const sc_type_s &type, sc_cursor_c &c, uint64_t broke_at, bool *footer_found = nullptr)
{
    broke_at = std::min(broke_at, c.limit());
    if (!type.footer.empty()) {
        uint64_t at = c.find(type.footer, std::max<uint64_t>(type.header.size(), broke_at));
        if (footer_found)
            *footer_found = at != sc_cursor_c::npos;
        if (at != sc_cursor_c::npos)
            return at + type.footer.size();
    }
    if (broke_at)
        return broke_at;
    return zero_sector_after(c, std::max<uint64_t>(type.header.size(), 1));
}

// Bytes of a candidate from the device, served from the block in memory
// where they lie in it. Reads give nothing once a stop is asked for. Counts
// the bytes the check looks at.
class device_source_c : public sc_source_c {
public:
    device_source_c(block_device_c &device, const sc_block_reader_c::block_s &block, uint64_t start, uint64_t limit,
                    const raw_scan_control_s *control, sc_next_header_c &next, uint16_t type, uint64_t &examined)
        : device_(device), block_(block), start_(start), limit_(limit), control_(control), next_(next), type_(type),
          examined_(examined)
    {}
    uint64_t limit() const override { return limit_; }
    uint64_t search_bound(uint64_t pos, uint64_t upto) override
    {
        upto = std::min(upto, limit_);
        return pos >= upto ? upto : next_.within(start_ + pos, start_ + upto, type_) - start_;
    }
    size_t read(uint64_t pos, void *buffer, size_t len) override
    {
        if (sc_get_stop(control_) != 0 || pos >= limit_)
            return 0;
        len = static_cast<size_t>(std::min<uint64_t>(len, limit_ - pos));
        examined_ += len;
        uint64_t at = start_ + pos;
        if (at >= block_.start && at + len <= block_.start + block_.len) {
            memcpy(buffer, block_.data + (at - block_.start), len);
            return len;
        }
        int64_t got = device_.read_at(at, buffer, len);
        return got < 0 ? 0 : static_cast<size_t>(got);
    }
    const uint8_t *direct(uint64_t pos, size_t len) override
    {
        if (sc_get_stop(control_) != 0 || pos > limit_ || len > limit_ - pos)
            return nullptr;
        uint64_t at = start_ + pos;
        if (at >= block_.start && at + len <= block_.start + block_.len) {
            examined_ += len;
            return block_.data + (at - block_.start);
        }
        return nullptr;
    }

private:
    block_device_c &device_;
    const sc_block_reader_c::block_s &block_;
    uint64_t start_, limit_;
    const raw_scan_control_s *control_;
    sc_next_header_c &next_;
    uint16_t type_;
    uint64_t &examined_;
};

void wait_while_paused(const raw_scan_control_s *control)
{
    while (sc_get_pause(control) != 0 && sc_get_stop(control) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

} // namespace

bool judge_match_with(const sc_config_s &config, const std::vector<uint16_t> &matched,
                      sc_source_c *(*make_source)(void *ctx, uint16_t type), void *ctx, sc_find_s &out)
{
    // Checks already run and refused here; this runs at every sector start,
    // so it is kept off the heap (a check left out of a full list only runs
    // again).
    sc_check_fn refused[16];
    size_t refused_count = 0;
    for (uint16_t t : matched) {
        const sc_type_s &type = config.types[t];
        if (std::find(refused, refused + refused_count, type.check_fn) != refused + refused_count)
            continue;
        sc_source_c *source = make_source(ctx, t);
        if (!source)
            return false;
        sc_cursor_c cursor(*source);
        if (type.check.empty()) {
            out = {t, 0, false, false};
            out.length = unproven_length(type, cursor, 0, &out.ended);
            return true;
        }
        sc_result_s r = type.check_fn(cursor);
        if (r.verdict == sc_verdict_e::reject) {
            if (refused_count < std::size(refused))
                refused[refused_count++] = type.check_fn;
            continue;
        }
        // Among the matched types sharing this check, the one the content named.
        out.type = t;
        if (r.subtype)
            for (uint16_t u : matched)
                if (config.types[u].check_fn == type.check_fn && config.types[u].extension == r.subtype) {
                    out.type = u;
                    break;
                }
        out.whole = r.walked;
        out.ended = r.verdict == sc_verdict_e::whole;
        out.length = out.ended ? std::min(r.length, cursor.limit()) : unproven_length(type, cursor, r.length);
        return out.length > 0;
    }
    return false;
}

uint64_t sc_scan_device(const sc_config_s &config, block_device_c &device, raw_scan_control_s *control,
                        const sc_block_fn &seen)
{
    const uint64_t size = device.size();
    sc_matcher_c matcher(config.types);
    // Small devices (and fuzz inputs) need no full-size blocks.
    sc_block_reader_c reader(device,
                             static_cast<size_t>(
                                 std::min<uint64_t>(block_size, (size + sector - 1) / sector * sector + sector)));
    sc_block_reader_c::block_s block;
    sc_next_header_c next_header(config, matcher, device, block, control);
    std::vector<uint16_t> matched;
    std::vector<uint8_t> edge(matcher.longest_header());
    uint64_t resume = 0; // no search below this: it lies inside a whole find
    uint64_t examined = 0;
    // Types told by content alone come last, where nothing else was found
    // and no find covers the sector: text inside a file is part of it.
    std::vector<uint16_t> content_types;
    for (size_t t = 0; t < config.types.size(); ++t)
        if (config.types[t].by_content())
            content_types.push_back(static_cast<uint16_t>(t));
    const sc_zero_run_c zero_run(config, matcher, content_types);
    uint64_t ended_cover = 0; // end of the furthest find whose end is known

    // A find whose end is not known waits for the next find, where it is cut.
    bool held = false;
    uint64_t held_at = 0;
    sc_find_s held_find;
    auto report = [&](uint64_t pos, const sc_find_s &find) {
        if (!control->found)
            return;
        control->find_flags = find.ended ? SC_FIND_ENDED : 0;
        control->found(control->user, config.types[find.type].extension.c_str(), pos, find.length);
        control->find_flags = 0;
    };
    auto report_held = [&](uint64_t next_find) {
        if (!held)
            return;
        held_find.length = std::min(held_find.length, next_find - held_at);
        report(held_at, held_find);
        held = false;
    };

    auto try_at = [&](uint64_t pos, bool at_sector) {
        if (pos < resume)
            return;
        // A header near the end of the block is completed from the device.
        size_t avail = static_cast<size_t>(std::min<uint64_t>(block.start + block.len - pos, edge.size()));
        const uint8_t *bytes = block.data + (pos - block.start);
        if (avail < edge.size() && pos + avail < size) {
            int64_t got = device.read_at(pos, edge.data(), edge.size());
            avail = got < 0 ? 0 : static_cast<size_t>(got);
            bytes = edge.data();
        }
        matcher.match(bytes, avail, at_sector, matched);
        const uint64_t covered = std::max(ended_cover, held ? held_at + held_find.length : 0);
        const bool by_content = at_sector && pos >= covered && !content_types.empty();
        if (matched.empty() && !by_content)
            return;
        std::optional<device_source_c> source; // this runs at every sector start: off the heap
        auto make_source = [&](uint16_t t) -> sc_source_c * {
            uint64_t limit = std::min(config.types[t].max_size, size - pos);
            return &source.emplace(device, block, pos, limit, control, next_header, t, examined);
        };
        sc_find_s find;
        bool found = !matched.empty() && judge_match(config, matched, make_source, find);
        if (!found && by_content)
            found = judge_match(config, content_types, make_source, find);
        if (!found || sc_get_stop(control) != 0)
            return;
        report_held(pos);
        if (find.ended) {
            report(pos, find);
            ended_cover = std::max(ended_cover, pos + find.length);
        } else {
            held = true;
            held_at = pos;
            held_find = find;
        }
        if (find.whole)
            resume = pos + find.length;
    };

    while (sc_get_stop(control) == 0 && reader.next(block)) {
        wait_while_paused(control);
        if (seen)
            seen(block.start, block.data, block.len);
        uint64_t end = block.start + block.len;
        auto sector_of = [](uint64_t at) { return at / sector * sector; };
        for (uint64_t pos = std::max(block.start, sector_of(resume)); pos < end && sc_get_stop(control) == 0;) {
            if (const size_t zeros = zero_run.sectors(block.data + (pos - block.start), end - pos)) {
                pos = std::max(pos + zeros * sector, sector_of(resume));
                continue;
            }
            try_at(pos, true);
            if (matcher.has_byte_types()) {
                uint64_t stop_at = std::min(end, pos + sector);
                for (uint64_t b = pos; b < stop_at; ++b)
                    if (matcher.byte_start(block.data[b - block.start]))
                        try_at(b, false);
            }
            pos = std::max(pos + sector, sector_of(resume));
        }
        if (sc_get_stop(control) == 0)
            sc_set_progress(control, static_cast<double>(end) / static_cast<double>(size));
    }
    report_held(size);
    return examined;
}
