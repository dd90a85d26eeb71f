#include "sc_matcher.h"

#include <algorithm>
#include <cctype>

namespace {
// The byte and, for a case-blind type, its other case.
std::vector<uint8_t> variants(uint8_t b, bool case_sensitive)
{
    std::vector<uint8_t> v{b};
    if (!case_sensitive && std::isalpha(b)) {
        uint8_t other = static_cast<uint8_t>(std::islower(b) ? std::toupper(b) : std::tolower(b));
        v.push_back(other);
    }
    return v;
}
} // namespace

sc_matcher_c::sc_matcher_c(const std::vector<sc_type_s> &types) : types_(types)
{
    for (size_t t = 0; t < types.size() && t < UINT16_MAX; ++t) {
        const sc_type_s &type = types[t];
        longest_ = std::max(longest_, type.header.size());
        int at = header_anchor(type);
        if (at < 0)
            continue;
        auto first = variants(static_cast<uint8_t>(type.header[at]), type.case_sensitive);
        if (type.byte_granular) {
            // The byte search looks at the header's first byte, fixed or not.
            byte_types_.push_back(static_cast<uint16_t>(t));
            if (at == 0) {
                for (uint8_t b : first)
                    byte_first_[b] = true;
            } else {
                std::fill(std::begin(byte_first_), std::end(byte_first_), true);
            }
            continue;
        }
        auto it = std::find_if(sector_anchors_.begin(), sector_anchors_.end(),
                               [&](const anchor_s &a) { return a.at == static_cast<size_t>(at); });
        if (it == sector_anchors_.end()) {
            sector_anchors_.push_back({static_cast<size_t>(at), std::vector<std::vector<uint16_t>>(65536)});
            it = sector_anchors_.end() - 1;
        }
        for (uint8_t a : first)
            for (uint8_t b : variants(static_cast<uint8_t>(type.header[at + 1]), type.case_sensitive))
                it->by_key[a << 8 | b].push_back(static_cast<uint16_t>(t));
    }
}

bool sc_matcher_c::header_at(const sc_type_s &type, const uint8_t *data, size_t avail) const
{
    if (type.header.size() > avail)
        return false;
    for (size_t i = 0; i < type.header.size(); ++i) {
        if (type.header_any[i])
            continue;
        uint8_t want = static_cast<uint8_t>(type.header[i]), got = data[i];
        if (want != got && (type.case_sensitive || std::tolower(want) != std::tolower(got)))
            return false;
    }
    return true;
}

void sc_matcher_c::match(const uint8_t *data, size_t avail, bool sector, std::vector<uint16_t> &out) const
{
    out.clear();
    if (sector) {
        for (const anchor_s &a : sector_anchors_) {
            if (a.at + 2 > avail)
                continue;
            for (uint16_t t : a.by_key[data[a.at] << 8 | data[a.at + 1]])
                if (header_at(types_[t], data, avail))
                    out.push_back(t);
        }
        std::sort(out.begin(), out.end());
    } else if (avail > 0 && byte_first_[data[0]]) {
        for (uint16_t t : byte_types_)
            if (header_at(types_[t], data, avail))
                out.push_back(t);
    }
}
