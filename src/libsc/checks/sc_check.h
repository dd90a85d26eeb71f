// Structure checks: given the bytes from a header match onwards, decide
// whether they are the type the header promised and where the file ends.
// Every check reads through sc_cursor_c, which refuses reads past the end of
// what is available, so a check never looks outside the candidate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Bytes of one candidate file, counted from its first byte.
class sc_source_c {
public:
    virtual ~sc_source_c() = default;
    // How many bytes the file may have at most (maximum size, end of device).
    virtual uint64_t limit() const = 0;
    // Copies up to len bytes at pos; fewer at the limit, 0 when the scan was stopped.
    virtual size_t read(uint64_t pos, void *buffer, size_t len) = 0;
    // The bytes [pos, pos + len) where they already lie in memory, else null
    // (the caller then reads them); saves a copy for most of what checks look at.
    virtual const uint8_t *direct(uint64_t pos, size_t len) { return nullptr; }
    // Where a search for the file's end that started at pos gives up, looking
    // no further than upto (at most the limit): the start of the next file
    // of the same family, else upto. Searches stop there; structure fields
    // that point further are still read.
    virtual uint64_t search_bound(uint64_t pos, uint64_t upto) { return upto; }
};

// A source over bytes in memory (tests, fuzzing).
class sc_span_source_c : public sc_source_c {
public:
    sc_span_source_c(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    uint64_t limit() const override { return size_; }
    size_t read(uint64_t pos, void *buffer, size_t len) override;
    const uint8_t *direct(uint64_t pos, size_t len) override;

private:
    const uint8_t *data_;
    size_t size_;
};

// Bounds-checked, cached reads for the checks.
class sc_cursor_c {
public:
    static constexpr uint64_t npos = UINT64_MAX;
    static constexpr size_t window_size = 64 * 1024;

    explicit sc_cursor_c(sc_source_c &source);
    uint64_t limit() const { return limit_; }

    // Null unless [pos, pos + len) lies below the limit and could be read;
    // valid until the next call. len is at most window_size.
    const uint8_t *window(uint64_t pos, size_t len);
    bool bytes(uint64_t pos, void *out, size_t len);
    bool u8(uint64_t pos, uint8_t &v);
    bool le16(uint64_t pos, uint16_t &v);
    bool le32(uint64_t pos, uint32_t &v);
    bool le64(uint64_t pos, uint64_t &v);
    bool be16(uint64_t pos, uint16_t &v);
    bool be32(uint64_t pos, uint32_t &v);
    bool be64(uint64_t pos, uint64_t &v);
    // 16 or 32 bits in the given byte order.
    bool u16(uint64_t pos, bool big, uint16_t &v) { return big ? be16(pos, v) : le16(pos, v); }
    bool u32(uint64_t pos, bool big, uint32_t &v) { return big ? be32(pos, v) : le32(pos, v); }
    bool equals(uint64_t pos, std::string_view text);
    // Where a search for the end that started at origin stops, looking no
    // further than upto (see sc_source_c::search_bound).
    uint64_t search_end(uint64_t origin, uint64_t upto);
    // How many bytes from pos (at most window_size) a byte-by-byte search
    // that started at origin may look at next; 0 when it must stop.
    size_t search_window(uint64_t origin, uint64_t pos);
    // Whether the next file of the family begins at pos: a structure walk
    // that lands there has run into it, and stops.
    bool next_file_at(uint64_t pos) { return pos > 0 && pos < limit_ && search_end(pos - 1, pos + 1) == pos; }
    // First position >= from where pattern lies wholly below to (and the
    // limit). A search that started at origin (from, unless given) gives up
    // at search_end(origin, ...), though a match may begin right there.
    uint64_t find(std::string_view pattern, uint64_t from, uint64_t to = npos, uint64_t origin = npos);

private:
    sc_source_c &source_;
    uint64_t limit_;
    std::vector<uint8_t> cache_;
    uint64_t cache_pos_ = 0;
    size_t cache_len_ = 0;
};

enum class sc_verdict_e {
    reject, // not this type: report nothing
    broken, // this type, but its structure breaks off: report the best length known
    whole,  // the structure says where the file ends
};

struct sc_result_s {
    sc_verdict_e verdict = sc_verdict_e::reject;
    uint64_t length = 0;           // for broken: 0 when the check knows nothing better
    const char *subtype = nullptr; // extension the content points to (docx in a zip...)
    // The end was reached by walking the structure to it, not read from a
    // size field: only then may the search skip what the file covers (a
    // size field of a damaged file would hide the files after it).
    bool walked = false;
};

inline sc_result_s sc_reject()
{
    return {};
}
inline sc_result_s sc_broken(uint64_t length, const char *subtype = nullptr)
{
    return {sc_verdict_e::broken, length, subtype};
}
// This type, its structure broken off at pos: the file is taken to end there
// (at most at the limit).
inline sc_result_s sc_broken_at(const sc_cursor_c &c, uint64_t pos, const char *subtype = nullptr)
{
    return sc_broken(pos < c.limit() ? pos : c.limit(), subtype);
}

// A file whose structure gives its length: whole when that length is
// available, else broken at the limit (truncated by the device or max size).
inline sc_result_s sc_sized(const sc_cursor_c &c, uint64_t length, const char *subtype = nullptr)
{
    if (length <= c.limit())
        return {sc_verdict_e::whole, length, subtype};
    return {sc_verdict_e::broken, c.limit(), subtype};
}

// Like sc_sized, for an end the check reached by walking the structure.
inline sc_result_s sc_walked(const sc_cursor_c &c, uint64_t length, const char *subtype = nullptr)
{
    sc_result_s r = sc_sized(c, length, subtype);
    r.walked = r.verdict == sc_verdict_e::whole;
    return r;
}

using sc_check_fn = sc_result_s (*)(sc_cursor_c &file);

// Null for an unknown name.
sc_check_fn find_sc_check(std::string_view name);
// Every check name, for the fuzzers and tests.
std::vector<std::string_view> sc_check_names();
