// Text: UTF-8 (which covers ASCII; lone high bytes are taken as a single-byte
// code page) and UTF-16 in either byte order, with or without a byte-order
// mark. Text ends at the first character no text holds; HTML, XML and SVG
// end at their root's closing tag, JSON at its balanced close.
#include <algorithm>
#include <bitset>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "sc_check_list.h"
#include "text_kind.h"

namespace {

enum class encoding_e { utf8, utf16le, utf16be };

const uint64_t min_text = 64;   // shorter runs of text-like bytes are too often chance
const size_t head_chars = 4096; // what the kind is told from

bool is_space(uint32_t ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f';
}
bool is_text_ascii(uint32_t ch)
{
    return (ch >= 0x20 && ch < 0x7f) || is_space(ch);
}

// Mostly letters, few bytes outside any encoding, more than a handful of
// different characters (not a fill pattern), and characters beyond ASCII
// from a few blocks of 256, as a script's are (random UTF-16 spreads over all).
struct text_stats_s {
    uint64_t chars = 0, odd = 0, word = 0, wide = 0;
    std::bitset<256> seen, blocks;

    void add(uint32_t ch, bool is_odd)
    {
        ++chars;
        odd += is_odd;
        word += !is_odd && (ch >= 0x80 || (ch >= '0' && ch <= '9') || ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'z'));
        if (ch > ' ')
            seen.set(ch & 0xff);
        if (!is_odd && ch >= 0x80) {
            ++wide;
            blocks.set((ch >> 8) & 0xff);
        }
    }
    bool looks_like_text() const
    {
        return odd * 10 <= chars && word * 5 >= chars && seen.count() >= 8 &&
            blocks.count() <= std::max<uint64_t>(4, wide / 4);
    }
};

// Characters from the candidate, one at a time, until one cannot be text.
class text_reader_c {
public:
    text_reader_c(sc_cursor_c &c, encoding_e enc, uint64_t pos) : c_(c), enc_(enc), pos_(pos) {}
    // False where the text ends; pos() then stays before that character.
    // odd: a lone high byte, not part of a UTF-8 sequence.
    bool next(uint32_t &ch, bool &odd);
    uint64_t pos() const { return pos_; }

private:
    const uint8_t *at_pos(size_t &avail);
    bool next_utf8(const uint8_t *p, size_t avail, uint32_t &ch, bool &odd);
    bool next_utf16(const uint8_t *p, size_t avail, uint32_t &ch);

    sc_cursor_c &c_;
    encoding_e enc_;
    uint64_t pos_;
    const uint8_t *w_ = nullptr;
    uint64_t w_pos_ = 0;
    size_t w_len_ = 0;
    // Most candidates are refused within a few bytes: small reads first.
    size_t want_ = 640;
};

// At least 4 bytes from pos_ unless the text's bound is nearer.
const uint8_t *text_reader_c::at_pos(size_t &avail)
{
    if (!w_ || pos_ < w_pos_ || pos_ + 4 > w_pos_ + w_len_) {
        size_t len = std::min(want_, c_.search_window(0, pos_));
        want_ = std::min(want_ * 2, sc_cursor_c::window_size);
        w_ = len ? c_.window(pos_, len) : nullptr;
        w_pos_ = pos_;
        w_len_ = w_ ? len : 0;
    }
    avail = static_cast<size_t>(w_pos_ + w_len_ - pos_);
    return w_ && avail ? w_ + (pos_ - w_pos_) : nullptr;
}

bool text_reader_c::next_utf8(const uint8_t *p, size_t avail, uint32_t &ch, bool &odd)
{
    const uint8_t b = p[0];
    odd = false;
    if (b < 0x80) {
        ch = b;
        pos_ += 1;
        return is_text_ascii(b);
    }
    const size_t n = b >= 0xc2 && b < 0xe0 ? 2 : b >= 0xe0 && b < 0xf0 ? 3 : b >= 0xf0 && b <= 0xf4 ? 4 : 0;
    bool sequence = n != 0 && avail >= n;
    for (size_t i = 1; sequence && i < n; ++i)
        sequence = (p[i] & 0xc0) == 0x80;
    // Overlong forms, surrogates and code points past U+10FFFF are no UTF-8.
    if (sequence &&
        ((b == 0xe0 && p[1] < 0xa0) || (b == 0xed && p[1] >= 0xa0) || (b == 0xf0 && p[1] < 0x90) ||
         (b == 0xf4 && p[1] >= 0x90)))
        sequence = false;
    if (!sequence) {
        ch = b;
        odd = true;
        pos_ += 1;
        return true;
    }
    ch = b & (0x7f >> n);
    for (size_t i = 1; i < n; ++i)
        ch = ch << 6 | (p[i] & 0x3f);
    pos_ += n;
    return true;
}

bool text_reader_c::next_utf16(const uint8_t *p, size_t avail, uint32_t &ch)
{
    const bool big = enc_ == encoding_e::utf16be;
    auto unit = [&](size_t i) { return big ? uint32_t(p[i] << 8 | p[i + 1]) : uint32_t(p[i + 1] << 8 | p[i]); };
    if (avail < 2)
        return false;
    ch = unit(0);
    if ((ch < 0x80 && !is_text_ascii(ch)) || (ch >= 0x7f && ch < 0xa0) || ch >= 0xfffe || (ch >= 0xdc00 && ch < 0xe000))
        return false;
    if (ch >= 0xd800 && ch < 0xdc00) {
        uint32_t low = avail >= 4 ? unit(2) : 0;
        if (low < 0xdc00 || low >= 0xe000)
            return false;
        ch = 0x10000 + ((ch - 0xd800) << 10) + (low - 0xdc00);
        pos_ += 4;
        return true;
    }
    pos_ += 2;
    return true;
}

bool text_reader_c::next(uint32_t &ch, bool &odd)
{
    size_t avail = 0;
    const uint8_t *p = at_pos(avail);
    if (!p)
        return false;
    const uint64_t before = pos_;
    odd = false;
    bool text = enc_ == encoding_e::utf8 ? next_utf8(p, avail, ch, odd) : next_utf16(p, avail, ch);
    if (!text)
        pos_ = before;
    return text;
}

// The encoding and where the text proper starts, from the first bytes.
encoding_e detect_encoding(const uint8_t (&b)[min_text], uint64_t &start)
{
    start = 0;
    if (b[0] == 0xef && b[1] == 0xbb && b[2] == 0xbf) {
        start = 3;
        return encoding_e::utf8;
    }
    if ((b[0] == 0xff && b[1] == 0xfe) || (b[0] == 0xfe && b[1] == 0xff)) {
        start = 2;
        return b[0] == 0xff ? encoding_e::utf16le : encoding_e::utf16be;
    }
    // Without a mark: ASCII characters with a zero byte beside each.
    for (int zero_at : {1, 0}) {
        bool all = true;
        for (size_t i = 0; i < 32 && all; i += 2)
            all = b[i + zero_at] == 0 && is_text_ascii(b[i + 1 - zero_at]);
        if (all)
            return zero_at ? encoding_e::utf16le : encoding_e::utf16be;
    }
    return encoding_e::utf8;
}

// Where markup or JSON closes, fed one character at a time.
class text_end_c {
public:
    text_end_c(std::string_view kind, std::string_view head)
    {
        html_ = kind == "html";
        if (html_)
            close_ = "</html>";
        else if (kind == "xml" || kind == "svg")
            close_ = "</" + std::string(xml_root_name(head)) + ">";
        json_ = kind == "json";
    }
    // False once the text is known to be over.
    bool feed(uint32_t ch, uint64_t pos_after)
    {
        if (json_)
            return feed_json(ch, pos_after);
        if (close_.size() <= 3)
            return true;
        if (trailing_ && is_space(ch)) {
            end_ = pos_after;
            return true;
        }
        trailing_ = false;
        const uint32_t low = html_ && ch >= 'A' && ch <= 'Z' ? ch + ('a' - 'A') : ch;
        matched_ = low == static_cast<unsigned char>(close_[matched_]) ? matched_ + 1 : low == '<' ? 1 : 0;
        if (matched_ == close_.size()) {
            matched_ = 0;
            end_ = pos_after;
            trailing_ = true;
        }
        return true;
    }
    // After the last close and the white space behind it; 0 when there was none.
    uint64_t end() const { return end_; }
    bool json_broke() const { return json_broke_; }

private:
    // One value, or one a line (JSON Lines): the text ends after the last
    // value that closes, and the white space behind it.
    bool feed_json(uint32_t ch, uint64_t pos_after)
    {
        if (closed_) {
            if (is_space(ch)) {
                end_ = pos_after;
                return true;
            }
            if (ch != '{' && ch != '[')
                return false;
            walk_ = json_walk_c();
            closed_ = false;
        }
        json_walk_c::state_e s = walk_.feed(ch);
        if (s == json_walk_c::state_e::closed) {
            end_ = pos_after;
            closed_ = true;
        } else if (s == json_walk_c::state_e::invalid) {
            if (end_)
                return false;
            json_broke_ = true;
            json_ = false;
        }
        return true;
    }

    std::string close_;
    size_t matched_ = 0;
    bool html_ = false, json_ = false, json_broke_ = false, closed_ = false, trailing_ = false;
    uint64_t end_ = 0;
    json_walk_c walk_;
};

// Whether UTF-8 text could run past min_text: no byte before it may stop
// the text (high bytes never do). Most sector starts on a disk are not
// text, and this settles them without the character-by-character walk.
bool may_reach_min_text(const uint8_t (&b)[min_text], uint64_t start)
{
    // Eight bytes at a time, without a branch per byte: most sector starts
    // hold no text, and a byte-by-byte test mispredicts on every one.
    const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    auto below = [&](uint64_t w, uint64_t n) { return ~(((w & ~highs) + (0x80 - n) * ones) | w) & highs; };
    auto equal = [&](uint64_t w, uint64_t c) { return below(w ^ (c * ones), 1); };
    for (size_t i = 0; i < min_text; i += 8) {
        uint64_t w = 0;
        memcpy(&w, b + i, 8);
        const uint64_t space = equal(w, '\t') | equal(w, '\n') | equal(w, '\f') | equal(w, '\r');
        uint64_t stops = (below(w, 0x20) & ~space) | equal(w, 0x7f);
        if (i == 0)
            stops &= ~0ull << (8 * start); // a byte-order mark is no text
        if (stops)
            return false;
    }
    return true;
}

} // namespace

sc_result_s check_text(sc_cursor_c &c)
{
    // Shorter than min_text is no text, whatever it holds.
    uint8_t first_bytes[min_text];
    if (!c.bytes(0, first_bytes, sizeof(first_bytes)))
        return sc_reject();
    uint64_t start = 0;
    const encoding_e enc = detect_encoding(first_bytes, start);
    if (enc == encoding_e::utf8 && !may_reach_min_text(first_bytes, start))
        return sc_reject();
    uint32_t ch = 0;
    bool odd = false;
    // One walk: the first characters are kept until the kind they tell is
    // known, then handed to the search for the end before the walk goes on.
    std::string head;
    std::vector<std::pair<uint32_t, uint64_t>> kept; // each character of head, and the position after it
    head.reserve(head_chars);
    kept.reserve(head_chars);
    text_reader_c reader(c, enc, start);
    {
        // The first sector must be text of its own, not fill before text.
        // Judged on the first sector alone, so that a refusal never costs
        // a walk to the end of a long run (and every sector start in it).
        text_stats_s first_sector;
        bool judged = false;
        while (head.size() < head_chars && reader.next(ch, odd)) {
            head.push_back(ch < 0x80 ? static_cast<char>(ch) : '\x80');
            kept.emplace_back(ch, reader.pos());
            if (reader.pos() <= 512) {
                first_sector.add(ch, odd);
            } else if (!judged) {
                if (!first_sector.looks_like_text())
                    return sc_reject();
                judged = true;
            }
        }
        if (reader.pos() < min_text || (!judged && !first_sector.looks_like_text()))
            return sc_reject();
    }
    const char *kind = text_kind(head);
    text_end_c closing(kind, head);
    bool open = true;
    for (size_t i = 0; open && i < kept.size(); ++i)
        open = closing.feed(kept[i].first, kept[i].second);
    while (open && reader.next(ch, odd))
        open = closing.feed(ch, reader.pos());
    if (closing.json_broke())
        kind = "txt";
    if (closing.end())
        return sc_walked(c, closing.end(), kind);
    // Plain text is whole when zeros fill the rest of its sector.
    const uint64_t end = reader.pos();
    if (end >= c.limit())
        return sc_broken(end, kind);
    const uint64_t sector_end = std::min<uint64_t>((end + 511) / 512 * 512, c.limit());
    for (uint64_t at = end; at < sector_end; ++at) {
        uint8_t b = 1;
        if (!c.u8(at, b) || b != 0)
            return sc_broken(end, kind);
    }
    return sc_walked(c, end, kind);
}
