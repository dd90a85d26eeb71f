#include "sc_zero_run.h"

#include <algorithm>
#include <cstring>

#include "checks/sc_check.h"
#include "sc_scanner.h"

namespace {

const size_t sector = 512;
const size_t probe_size = 64 * 1024;

// Bytes of zeros from data on, up to len; in chunks the compiler can widen.
size_t zero_prefix(const uint8_t *data, size_t len)
{
    const size_t chunk = 64;
    size_t at = 0;
    for (; at + chunk <= len; at += chunk) {
        uint64_t words[chunk / 8];
        memcpy(words, data + at, chunk);
        uint64_t any = 0;
        for (uint64_t w : words)
            any |= w;
        if (any)
            break;
    }
    while (at < len && data[at] == 0)
        ++at;
    return at;
}

} // namespace

sc_zero_run_c::sc_zero_run_c(const sc_config_s &config, const sc_matcher_c &matcher,
                             const std::vector<uint16_t> &content_types)
    : window_(std::max(sector, matcher.longest_header()))
{
    const std::vector<uint8_t> zeros(std::max(window_, probe_size));
    std::vector<uint16_t> matched;
    matcher.match(zeros.data(), window_, true, matched);
    if (!matched.empty() || (matcher.has_byte_types() && matcher.byte_start(0)))
        return;
    if (!content_types.empty()) {
        sc_span_source_c source(zeros.data(), zeros.size());
        auto make_source = [&](uint16_t) -> sc_source_c * { return &source; };
        sc_find_s find;
        if (judge_match(config, content_types, make_source, find))
            return;
    }
    usable_ = true;
}

size_t sc_zero_run_c::sectors(const uint8_t *data, size_t len) const
{
    if (!usable_ || len < window_ || data[0] != 0)
        return 0;
    const size_t zeros = zero_prefix(data, len);
    return zeros < window_ ? 0 : (zeros - window_) / sector + 1;
}
