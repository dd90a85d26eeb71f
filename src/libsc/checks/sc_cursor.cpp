#include "sc_check.h"

#include <algorithm>
#include <cstring>

size_t sc_span_source_c::read(uint64_t pos, void *buffer, size_t len)
{
    if (pos >= size_)
        return 0;
    size_t n = static_cast<size_t>(std::min<uint64_t>(len, size_ - pos));
    memcpy(buffer, data_ + pos, n);
    return n;
}

const uint8_t *sc_span_source_c::direct(uint64_t pos, size_t len)
{
    return pos <= size_ && len <= size_ - pos ? data_ + pos : nullptr;
}

sc_cursor_c::sc_cursor_c(sc_source_c &source) : source_(source), limit_(source.limit()) {}

const uint8_t *sc_cursor_c::window(uint64_t pos, size_t len)
{
    if (len > window_size || pos > limit_ || len > limit_ - pos)
        return nullptr;
    if (const uint8_t *in_memory = source_.direct(pos, len))
        return in_memory;
    if (pos >= cache_pos_ && pos - cache_pos_ + len <= cache_len_)
        return cache_.data() + (pos - cache_pos_);
    cache_.resize(window_size);
    size_t want = static_cast<size_t>(std::min<uint64_t>(window_size, limit_ - pos));
    cache_pos_ = pos;
    cache_len_ = source_.read(pos, cache_.data(), want);
    if (cache_len_ < len)
        return nullptr;
    return cache_.data();
}

bool sc_cursor_c::bytes(uint64_t pos, void *out, size_t len)
{
    uint8_t *to = static_cast<uint8_t *>(out);
    while (len > 0) {
        size_t n = std::min(len, window_size);
        const uint8_t *w = window(pos, n);
        if (!w)
            return false;
        memcpy(to, w, n);
        to += n;
        pos += n;
        len -= n;
    }
    return true;
}

bool sc_cursor_c::u8(uint64_t pos, uint8_t &v)
{
    const uint8_t *w = window(pos, 1);
    if (w)
        v = w[0];
    return w != nullptr;
}

namespace {
template <typename T> bool read_ordered(sc_cursor_c &c, uint64_t pos, T &v, bool big)
{
    const uint8_t *w = c.window(pos, sizeof(T));
    if (!w)
        return false;
    T x = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        x |= static_cast<T>(static_cast<T>(w[big ? sizeof(T) - 1 - i : i]) << (8 * i));
    v = x;
    return true;
}
} // namespace

bool sc_cursor_c::le16(uint64_t pos, uint16_t &v)
{
    return read_ordered(*this, pos, v, false);
}
bool sc_cursor_c::le32(uint64_t pos, uint32_t &v)
{
    return read_ordered(*this, pos, v, false);
}
bool sc_cursor_c::le64(uint64_t pos, uint64_t &v)
{
    return read_ordered(*this, pos, v, false);
}
bool sc_cursor_c::be16(uint64_t pos, uint16_t &v)
{
    return read_ordered(*this, pos, v, true);
}
bool sc_cursor_c::be32(uint64_t pos, uint32_t &v)
{
    return read_ordered(*this, pos, v, true);
}
bool sc_cursor_c::be64(uint64_t pos, uint64_t &v)
{
    return read_ordered(*this, pos, v, true);
}

bool sc_cursor_c::equals(uint64_t pos, std::string_view text)
{
    const uint8_t *w = window(pos, text.size());
    return w && memcmp(w, text.data(), text.size()) == 0;
}

uint64_t sc_cursor_c::search_end(uint64_t origin, uint64_t upto)
{
    upto = std::min(upto, limit_);
    return origin >= upto ? upto : std::min(upto, source_.search_bound(origin, upto));
}

size_t sc_cursor_c::search_window(uint64_t origin, uint64_t pos)
{
    if (pos >= limit_)
        return 0;
    uint64_t end = search_end(origin, std::min<uint64_t>(limit_, pos + window_size));
    return end > pos ? static_cast<size_t>(end - pos) : 0;
}

uint64_t sc_cursor_c::find(std::string_view pattern, uint64_t from, uint64_t to, uint64_t origin)
{
    size_t n = pattern.size();
    if (n == 0 || n > window_size / 2)
        return npos;
    to = std::min(to, limit_);
    if (origin == npos)
        origin = from;
    // Windows overlap by n - 1 bytes so a match across their seam is seen.
    while (from < to && to - from >= n) {
        uint64_t reach = std::min<uint64_t>(to, from + window_size);
        // The next file of the family ends the search; its header may match.
        uint64_t bound = search_end(origin, reach);
        if (bound < reach) {
            to = std::min(to, bound + n);
            reach = std::min(reach, to);
            if (reach - from < n)
                break;
        }
        size_t len = static_cast<size_t>(reach - from);
        // Searches that go on from a little past the last match (a walk
        // over JPEG data stops at every 0xff) look at the window read last
        // first: asking for a whole window from there would read it again.
        if (from >= cache_pos_ && cache_pos_ + cache_len_ >= from + n)
            len = static_cast<size_t>(std::min<uint64_t>(len, cache_pos_ + cache_len_ - from));
        const uint8_t *w = window(from, len);
        if (!w)
            return npos;
        const uint8_t *end = w + len;
        for (const uint8_t *p = w; end - p >= static_cast<ptrdiff_t>(n);) {
            p = static_cast<const uint8_t *>(memchr(p, pattern[0], static_cast<size_t>(end - p) - n + 1));
            if (!p)
                break;
            if (memcmp(p, pattern.data(), n) == 0)
                return from + static_cast<uint64_t>(p - w);
            ++p;
        }
        if (from + len >= to)
            break;
        from += len - (n - 1);
    }
    return npos;
}
