// OLE2 compound files (doc, xls, ppt): the title (2), created (12) and
// last saved (13) properties of the "\005SummaryInformation" property set stream.
#include <algorithm>
#include <cstring>
#include <vector>

#include "carved_dates.h"
#include "carved_meta.h"

namespace {

const uint32_t ole_end = 0xfffffffeu;
const size_t most_stream = 64 * 1024;
const int most_steps = 1 << 16; // a looping chain ends here

struct ole_s {
    carved_bytes_c &file;
    uint32_t sector_size = 512;
    uint32_t mini_size = 64;
    uint32_t mini_cutoff = 4096;
    uint32_t mini_fat = ole_end;
    std::vector<uint32_t> fat_sectors;

    uint64_t sector_at(uint32_t s) const { return (uint64_t(s) + 1) * sector_size; }
    bool fat_entry(uint32_t n, uint32_t &v)
    {
        const uint32_t per = sector_size / 4;
        if (n / per >= fat_sectors.size())
            return false;
        const std::string b = bytes_at(file, sector_at(fat_sectors[n / per]) + 4ull * (n % per), 4);
        if (b.size() < 4)
            return false;
        v = get_le32(b.data());
        return true;
    }
    // Up to len bytes of the chain that starts at first, sectors of size
    // unit, each found through next() and read through at().
    template <typename next_fn, typename at_fn>
    std::string chain(uint32_t first, size_t len, uint32_t unit, next_fn next, at_fn at)
    {
        std::string out;
        uint32_t s = first;
        for (int steps = 0; s < ole_end && out.size() < len && steps < most_steps; ++steps) {
            const std::string piece = at(s, std::min<size_t>(unit, len - out.size()));
            if (piece.empty())
                break;
            out += piece;
            if (!next(s, s))
                break;
        }
        return out;
    }
    std::string stream(uint32_t first, size_t len)
    {
        return chain(
            first, len, sector_size, [this](uint32_t n, uint32_t &v) { return fat_entry(n, v); },
            [this](uint32_t s, size_t n) { return bytes_at(file, sector_at(s), n); });
    }
};

// The UTF-16 name of a directory entry, as ASCII ('?' for anything else).
std::string entry_name(const char *e)
{
    const uint16_t bytes = get_le16(e + 64);
    std::string name;
    for (size_t i = 0; i + 2 < bytes && i < 62; i += 2) {
        const uint16_t c = get_le16(e + i);
        name.push_back(c < 128 ? static_cast<char>(c) : '?');
    }
    return name;
}

// A string property's text (the value at at), in the set's code page.
std::string title_text(const std::string &set, uint32_t at, uint32_t code_page)
{
    const uint32_t type = get_le32(set.data() + at);
    const uint64_t len = get_le32(set.data() + at + 4);
    const std::string_view value = std::string_view(set).substr(at + 8);
    if (type == 0x1f) // counted UTF-16 characters
        return utf16_to_utf8(value.substr(0, 2 * len), false);
    if (type != 0x1e)
        return {};
    const std::string_view text = value.substr(0, len);
    if (code_page == 1200)
        return utf16_to_utf8(text, false);
    if (code_page == 65001)
        return std::string(text.substr(0, text.find('\0')));
    return latin1_to_utf8(text); // the Western code pages, as near as Latin-1 comes
}

// A FILETIME property's date (the value at at, of type VT_FILETIME).
int64_t filetime_at(const std::string &set, uint32_t at)
{
    if (uint64_t(at) + 12 > set.size() || get_le32(set.data() + at) != 0x40)
        return 0;
    return filetime_date(uint64_t(get_le32(set.data() + at + 8)) << 32 | get_le32(set.data() + at + 4));
}

// What the first section of a property set stream says: the string
// property 2 (title), the FILETIMEs 12 (created) and 13 (last saved).
carved_meta_s property_meta(const std::string &set)
{
    if (set.size() < 48 || get_le16(set.data()) != 0xfffe)
        return {};
    const uint32_t section = get_le32(set.data() + 44);
    if (section > set.size() || set.size() - section < 8)
        return {};
    const uint32_t count = get_le32(set.data() + section + 4);
    uint32_t code_page = 1252;
    uint32_t title_at = 0;
    carved_meta_s meta;
    for (uint32_t i = 0; i < count && i < 1024; ++i) {
        const uint64_t entry = section + 8ull + 8ull * i;
        if (entry + 8 > set.size())
            break;
        const uint32_t id = get_le32(set.data() + entry), at = get_le32(set.data() + entry + 4);
        if (uint64_t(section) + at + 8 > set.size())
            continue;
        if (id == 1 && get_le32(set.data() + section + at) == 2)
            code_page = get_le16(set.data() + section + at + 4);
        else if (id == 2)
            title_at = section + at;
        else if (id == 12)
            meta.created = filetime_at(set, section + at);
        else if (id == 13)
            meta.modified = filetime_at(set, section + at);
    }
    if (title_at)
        meta.label = title_text(set, title_at, code_page);
    return meta;
}

} // namespace

carved_meta_s ole2_meta(carved_bytes_c &file)
{
    const std::string h = bytes_at(file, 0, 512);
    if (h.size() < 512 || h.compare(0, 8, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1") != 0)
        return {};
    ole_s f{file, 512, 64, 4096, ole_end, {}};
    const uint16_t shift = get_le16(h.data() + 0x1e), mini_shift = get_le16(h.data() + 0x20);
    if ((shift != 9 && shift != 12) || mini_shift != 6)
        return {};
    f.sector_size = 1u << shift;
    f.mini_cutoff = get_le32(h.data() + 0x38);
    f.mini_fat = get_le32(h.data() + 0x3c);
    const uint32_t fat_count = get_le32(h.data() + 0x2c), dir = get_le32(h.data() + 0x30);
    // The header's own list of FAT sectors covers files up to some 7 MiB
    // (sectors of 512); beyond that the name is not worth the DIFAT walk.
    for (uint32_t i = 0; i < 109 && i < fat_count; ++i)
        f.fat_sectors.push_back(get_le32(h.data() + 0x4c + 4 * i));
    const std::string entries = f.stream(dir, most_stream);
    uint32_t mini_stream = ole_end, info = ole_end, info_size = 0;
    for (size_t pos = 0; pos + 128 <= entries.size(); pos += 128) {
        const char *e = entries.data() + pos;
        if (e[66] == 5)
            mini_stream = get_le32(e + 0x74);
        else if (e[66] == 2 && entry_name(e) == "\005SummaryInformation") {
            info = get_le32(e + 0x74);
            info_size = get_le32(e + 0x78);
        }
    }
    if (info >= ole_end)
        return {};
    const size_t len = std::min<size_t>(info_size, most_stream);
    if (info_size >= f.mini_cutoff)
        return property_meta(f.stream(info, len));
    // Small streams live in the mini stream, chained through the mini FAT;
    // both are read once, as far as the title's sectors need.
    const std::string mini_fat = f.stream(f.mini_fat, most_stream);
    std::string mini;
    auto mini_next = [&mini_fat](uint32_t n, uint32_t &v) {
        if (uint64_t(n) * 4 + 4 > mini_fat.size())
            return false;
        v = get_le32(mini_fat.data() + 4ull * n);
        return true;
    };
    auto mini_at = [&](uint32_t s, size_t n) {
        const uint64_t at = uint64_t(s) * f.mini_size;
        if (at + n > 4 * most_stream)
            return std::string();
        if (mini.size() < at + n)
            mini = f.stream(mini_stream, static_cast<size_t>(std::min<uint64_t>(4 * most_stream, at + n + 16384)));
        return at < mini.size() ? mini.substr(static_cast<size_t>(at), n) : std::string();
    };
    return property_meta(f.chain(info, len, f.mini_size, mini_next, mini_at));
}
