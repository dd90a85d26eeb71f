#include "sc_next_header.h"

#include <algorithm>
#include <map>
#include <string>

#include "sc_control_access.h"

namespace {
const uint64_t sector = 512;
const size_t ahead_size = 64 * 1024;
} // namespace

sc_next_header_c::sc_next_header_c(const sc_config_s &config, const sc_matcher_c &matcher, block_device_c &device,
                                   const sc_block_reader_c::block_s &block, const raw_scan_control_s *control)
    : matcher_(matcher), device_(device), block_(block), control_(control)
{
    // Types that share a check are one family (zip, docx, xlsx...); a type
    // without a check is a family of its own. Text, told by content alone,
    // gives way to a header of any family.
    std::map<std::string, uint16_t> by_check;
    known_.emplace_back(); // any_family
    for (const sc_type_s &type : config.types) {
        uint16_t next = static_cast<uint16_t>(known_.size());
        uint16_t family = type.by_content() ? any_family
            : type.check.empty()            ? next
                                            : by_check.emplace(type.check, next).first->second;
        if (family == next)
            known_.emplace_back();
        family_of_.push_back(family);
    }
}

bool sc_next_header_c::family_at(uint64_t at, uint16_t family)
{
    const size_t want = matcher_.longest_header();
    const uint8_t *bytes = nullptr;
    size_t avail = want;
    if (at >= block_.start && at + want <= block_.start + block_.len) {
        bytes = block_.data + (at - block_.start);
    } else {
        // Past the block, the sector starts are read a stretch at a time.
        if (at < ahead_start_ || at + want > ahead_start_ + ahead_len_) {
            ahead_.resize(ahead_size + want);
            int64_t got = device_.read_at(at, ahead_.data(), ahead_.size());
            ahead_start_ = at;
            ahead_len_ = got < 0 ? 0 : static_cast<size_t>(got);
        }
        avail = static_cast<size_t>(
            std::min<uint64_t>(want, ahead_start_ + ahead_len_ - std::min(at, ahead_start_ + ahead_len_)));
        bytes = ahead_.data() + (at - ahead_start_);
    }
    matcher_.match(bytes, avail, true, matched_);
    if (family == any_family)
        return !matched_.empty();
    for (uint16_t t : matched_)
        if (family_of_[t] == family)
            return true;
    return false;
}

uint64_t sc_next_header_c::within(uint64_t pos, uint64_t upto, uint16_t type)
{
    const uint16_t family = family_of_[type];
    known_s &k = known_[family];
    if (pos < k.from || pos > k.to || (k.found && pos == k.to))
        k = {pos, pos, false};
    if (k.found)
        return std::min(k.to, upto);
    upto = std::min(upto, device_.size());
    for (uint64_t at = (std::max(k.to, pos + 1) + sector - 1) / sector * sector; at < upto; at += sector) {
        if (sc_get_stop(control_) != 0)
            return upto;
        if (family_at(at, family)) {
            k.to = at;
            k.found = true;
            return at;
        }
    }
    k.to = std::max(k.to, upto);
    return upto;
}
