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
    struct entry_s {
        size_t at;
        uint16_t key;
        uint16_t type;
    };
    std::vector<entry_s> entries;
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
        for (uint8_t a : first)
            for (uint8_t b : variants(static_cast<uint8_t>(type.header[at + 1]), type.case_sensitive))
                entries.push_back(
                    {static_cast<size_t>(at), static_cast<uint16_t>(a << 8 | b), static_cast<uint16_t>(t)});
    }
    for (const entry_s &e : entries) {
        auto it = std::find_if(sector_anchors_.begin(), sector_anchors_.end(),
                               [&](const anchor_s &a) { return a.at == e.at; });
        if (it != sector_anchors_.end())
            continue;
        anchor_s anchor;
        anchor.at = e.at;
        anchor.first.assign(65537, 0);
        for (const entry_s &f : entries)
            if (f.at == e.at)
                ++anchor.first[f.key + 1u];
        for (size_t k = 1; k < anchor.first.size(); ++k)
            anchor.first[k] += anchor.first[k - 1];
        anchor.types.resize(anchor.first.back());
        std::vector<uint32_t> fill(anchor.first.begin(), anchor.first.end() - 1);
        anchor.used.assign(65536 / 64, 0);
        for (const entry_s &f : entries)
            if (f.at == e.at) {
                anchor.types[fill[f.key]++] = f.type;
                anchor.used[f.key / 64] |= uint64_t(1) << (f.key % 64);
            }
        sector_anchors_.push_back(std::move(anchor));
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
            const unsigned key = data[a.at] << 8 | data[a.at + 1];
            if ((a.used[key / 64] >> (key % 64) & 1) == 0)
                continue;
            for (uint32_t i = a.first[key]; i < a.first[key + 1]; ++i)
                if (header_at(types_[a.types[i]], data, avail))
                    out.push_back(a.types[i]);
        }
        if (out.size() > 1)
            std::sort(out.begin(), out.end());
    } else if (avail > 0 && byte_first_[data[0]]) {
        for (uint16_t t : byte_types_)
            if (header_at(types_[t], data, avail))
                out.push_back(t);
    }
}
