// Document formats: PDF, OLE2 compound files, RTF, SQLite, e-mail.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sc_check_list.h"

namespace {
// After a %%EOF, an incremental update goes on with "N G obj" or "xref".
bool pdf_continues(sc_cursor_c &c, uint64_t pos)
{
    char text[32] = {};
    size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof(text) - 1, c.limit() - pos));
    if (!c.bytes(pos, text, n))
        return false;
    const char *p = text;
    while (*p == '\r' || *p == '\n' || *p == ' ' || *p == '\t')
        ++p;
    if (strncmp(p, "xref", 4) == 0)
        return true;
    for (int field = 0; field < 2; ++field) {
        if (!isdigit(static_cast<unsigned char>(*p)))
            return false;
        while (isdigit(static_cast<unsigned char>(*p)))
            ++p;
        if (*p++ != ' ')
            return false;
    }
    return strncmp(p, "obj", 3) == 0;
}

// The end of the line that begins at pos: past its line break.
uint64_t past_line_end(sc_cursor_c &c, uint64_t pos)
{
    while (pos < c.limit() && (c.equals(pos, "\r") || c.equals(pos, "\n") || c.equals(pos, " ")))
        ++pos;
    return pos;
}

// Where a document whose %%EOF is missing (cut off, or never written) is
// taken to end: after the last "startxref N" that points at a cross-reference
// section of the document (where %%EOF would follow), else after the last
// "endobj"; 0 when it has neither. Not proved: more of it may follow.
uint64_t pdf_end_without_eof(sc_cursor_c &c, const std::vector<uint64_t> &startxrefs, uint64_t last_endobj)
{
    for (auto s = startxrefs.rbegin(); s != startxrefs.rend(); ++s) {
        char text[24] = {};
        const uint64_t digits = past_line_end(c, *s + 9);
        size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof(text) - 1, c.limit() - digits));
        if (!c.bytes(digits, text, n))
            continue;
        char *end = nullptr;
        const unsigned long long at = strtoull(text, &end, 10);
        // "xref", or the "N G obj" of a cross-reference stream.
        if (end != text && at >= 9 && at < *s && pdf_continues(c, at))
            return past_line_end(c, digits + static_cast<uint64_t>(end - text));
    }
    return last_endobj ? past_line_end(c, last_endobj + 6) : 0;
}
} // namespace

// The last %%EOF of the document: one not followed by an incremental update.
// One walk looks for it and notes, for a document without one, where its
// last cross-reference pointer and object end lie.
sc_result_s check_pdf(sc_cursor_c &c)
{
    uint8_t digit = 0;
    if (!c.equals(0, "%PDF-") || !c.u8(5, digit) || digit < '1' || digit > '2')
        return sc_reject();
    std::vector<uint64_t> startxrefs; // the last few
    uint64_t last_endobj = 0;
    const size_t seam = 8; // windows overlap so that no marker is split between two
    for (uint64_t pos = 8;;) {
        const size_t len = c.search_window(8, pos);
        const uint8_t *w = len ? c.window(pos, len) : nullptr;
        if (!w)
            break;
        const std::string_view v(reinterpret_cast<const char *>(w), len);
        const size_t eof = v.find("%%EOF");
        const std::string_view before = v.substr(0, eof);
        for (size_t at = before.find("startxref"); at != v.npos; at = before.find("startxref", at + 1))
            if (startxrefs.empty() || startxrefs.back() < pos + at)
                startxrefs.push_back(pos + at);
        if (startxrefs.size() > 8)
            startxrefs.erase(startxrefs.begin(), startxrefs.end() - 8);
        const size_t endobj = before.rfind("endobj");
        if (endobj != v.npos)
            last_endobj = std::max(last_endobj, pos + endobj);
        if (eof != v.npos) {
            uint64_t end = pos + eof + 5; // the checks below read over the window
            if (c.equals(end, "\r\n"))
                end += 2;
            else if (c.equals(end, "\n") || c.equals(end, "\r"))
                end += 1;
            if (!pdf_continues(c, end))
                return sc_walked(c, end);
            pos += eof + 1;
            continue;
        }
        if (len <= seam || pos + len >= c.limit() || len < sc_cursor_c::window_size)
            break;
        pos += len - seam;
    }
    return sc_broken(pdf_end_without_eof(c, startxrefs, last_endobj));
}

namespace {
const uint32_t ole_free = 0xffffffffu;
const uint32_t ole_end = 0xfffffffeu;

struct ole_file_s {
    sc_cursor_c &c;
    uint32_t sector_size = 512;
    std::vector<uint32_t> fat_sectors;

    uint64_t sector_at(uint32_t s) const { return (uint64_t(s) + 1) * sector_size; }
    bool fat_entry(uint32_t n, uint32_t &v)
    {
        uint32_t per = sector_size / 4;
        if (n / per >= fat_sectors.size())
            return false;
        return c.le32(sector_at(fat_sectors[n / per]) + 4ull * (n % per), v);
    }
};

// What the directory's stream names say the compound file is.
const char *ole_subtype(ole_file_s &f, uint32_t dir)
{
    for (int sectors = 0; dir < ole_end && sectors < 4096; ++sectors) {
        for (uint32_t e = 0; e < f.sector_size / 128; ++e) {
            uint64_t at = f.sector_at(dir) + 128ull * e;
            char16_t name[32];
            uint16_t len = 0;
            if (!f.c.bytes(at, name, sizeof(name)) || !f.c.le16(at + 64, len))
                return nullptr;
            std::string ascii;
            for (size_t i = 0; i < 31 && i * 2 + 2 < len && name[i]; ++i)
                ascii.push_back(name[i] < 128 ? static_cast<char>(name[i]) : '?');
            if (ascii == "WordDocument")
                return "doc";
            if (ascii == "Workbook" || ascii == "Book")
                return "xls";
            if (ascii == "PowerPoint Document")
                return "ppt";
            if (ascii.rfind("__substg1.0_", 0) == 0 || ascii == "__properties_version1.0")
                return "msg";
        }
        if (!f.fat_entry(dir, dir))
            return nullptr;
    }
    return nullptr;
}
} // namespace

// The size follows from the last sector the FAT marks as used.
sc_result_s check_ole2(sc_cursor_c &c)
{
    uint16_t major = 0, order = 0, shift = 0;
    uint32_t fat_count = 0, dir = 0, difat = 0, difat_count = 0;
    if (!c.equals(0, "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1") || !c.le16(0x1a, major) || !c.le16(0x1c, order) ||
        !c.le16(0x1e, shift) || !c.le32(0x2c, fat_count) || !c.le32(0x30, dir) || !c.le32(0x44, difat) ||
        !c.le32(0x48, difat_count))
        return sc_reject();
    if (order != 0xfffe || !((major == 3 && shift == 9) || (major == 4 && shift == 12)) || fat_count == 0 ||
        fat_count > (1u << 20))
        return sc_reject();
    ole_file_s f{c, 512, {}};
    f.sector_size = 1u << shift;
    if (fat_count > c.limit() / f.sector_size)
        return sc_broken(c.limit());
    for (uint32_t i = 0; i < 109 && f.fat_sectors.size() < fat_count; ++i) {
        uint32_t s = 0;
        if (!c.le32(0x4c + 4ull * i, s) || s >= ole_end)
            return sc_reject();
        f.fat_sectors.push_back(s);
    }
    // DIFAT sectors: each holds sector numbers and, last, the next DIFAT sector.
    uint32_t per = f.sector_size / 4;
    for (uint32_t d = 0; d < difat_count && difat < ole_end && f.fat_sectors.size() < fat_count; ++d) {
        for (uint32_t i = 0; i + 1 < per && f.fat_sectors.size() < fat_count; ++i) {
            uint32_t s = 0;
            if (!c.le32(f.sector_at(difat) + 4ull * i, s))
                return sc_broken(0);
            f.fat_sectors.push_back(s);
        }
        if (!c.le32(f.sector_at(difat) + 4ull * (per - 1), difat))
            return sc_broken(0);
    }
    if (f.fat_sectors.size() < fat_count)
        return sc_broken(0);
    const char *subtype = ole_subtype(f, dir);
    for (uint64_t n = uint64_t(fat_count) * per; n-- > 0;) {
        uint32_t v = 0;
        if (!f.fat_entry(static_cast<uint32_t>(n), v))
            return sc_broken(c.limit(), subtype);
        if (v != ole_free)
            return sc_sized(c, f.sector_at(static_cast<uint32_t>(n)) + f.sector_size, subtype);
    }
    return sc_reject();
}

// Braces balanced back to zero, and the line end after the last; a NUL
// byte means the text ended early.
sc_result_s check_rtf(sc_cursor_c &c)
{
    if (!c.equals(0, "{\\rtf"))
        return sc_reject();
    int64_t depth = 0;
    bool escaped = false;
    for (uint64_t pos = 0;;) {
        size_t len = c.search_window(0, pos);
        if (len == 0)
            return sc_broken(pos);
        const uint8_t *w = c.window(pos, len);
        if (!w)
            return sc_broken(pos);
        for (size_t i = 0; i < len; ++i) {
            uint8_t b = w[i];
            if (b == 0)
                return sc_broken(pos + i);
            if (escaped) {
                escaped = false;
                continue;
            }
            if (b == '\\')
                escaped = true;
            else if (b == '{')
                ++depth;
            else if (b == '}' && --depth == 0) {
                uint64_t end = pos + i + 1;
                if (c.equals(end, "\r\n"))
                    end += 2;
                else if (c.equals(end, "\n"))
                    end += 1;
                return sc_walked(c, end);
            }
        }
        pos += len;
    }
}

namespace {
// Whether a page of a b-tree starts at pos: its type byte, a cell count the
// page can hold and a cell area inside it.
bool sqlite_btree_page_at(sc_cursor_c &c, uint64_t pos, uint32_t page_size)
{
    uint8_t type = 0;
    uint16_t cells = 0, content = 0;
    if (!c.u8(pos, type) || !c.be16(pos + 3, cells) || !c.be16(pos + 5, content))
        return false;
    return (type == 2 || type == 5 || type == 10 || type == 13) && cells <= page_size / 4 &&
        (content == 0 || content <= page_size);
}
} // namespace

// Page size times the page count, when the header says that count is
// current. A stale count (from a writer that did not keep it) still bounds
// the file when the structure agrees: the schema's highest root page and
// the free-list count lie within it and no b-tree page follows it.
sc_result_s check_sqlite(sc_cursor_c &c)
{
    uint16_t page = 0;
    uint32_t changes = 0, pages = 0, valid_for = 0;
    if (!c.equals(0, std::string_view("SQLite format 3\0", 16)) || !c.be16(16, page) || !c.be32(24, changes) ||
        !c.be32(28, pages) || !c.be32(92, valid_for))
        return sc_reject();
    uint32_t page_size = page == 1 ? 65536 : page;
    if (page_size < 512 || (page_size & (page_size - 1)))
        return sc_reject();
    if (pages == 0)
        return sc_broken(0);
    const uint64_t length = uint64_t(pages) * page_size;
    if (changes == valid_for)
        return sc_sized(c, length);
    uint32_t free_pages = 0, largest_root = 0;
    if (length > c.limit() || !c.be32(36, free_pages) || !c.be32(52, largest_root) || free_pages >= pages ||
        largest_root > pages || sqlite_btree_page_at(c, length, page_size))
        return sc_broken(0);
    return sc_broken(length);
}

namespace {
bool is_mail_text(uint8_t b)
{
    return b >= 0x20 || b == '\t' || b == '\r' || b == '\n';
}
} // namespace

// RFC 5322 text: header fields up to a blank line, then a body that ends at
// the first byte no mail text holds (the file's slack).
sc_result_s check_eml(sc_cursor_c &c)
{
    uint64_t pos = 0;
    int fields = 0;
    bool blank = false;
    while (!blank && fields < 4096) {
        char line[80] = {};
        size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof(line) - 1, c.limit() - pos));
        if (!c.bytes(pos, line, n))
            return sc_reject();
        if (line[0] == '\r' || line[0] == '\n') {
            blank = true;
        } else if (line[0] == ' ' || line[0] == '\t') {
            if (fields == 0)
                return sc_reject();
        } else {
            size_t i = 0;
            while (i < n && line[i] > 32 && line[i] < 127 && line[i] != ':')
                ++i;
            if (i == 0 || i == n || line[i] != ':')
                return fields >= 2 ? sc_broken(pos) : sc_reject();
            ++fields;
        }
        uint64_t eol = c.find("\n", pos);
        if (eol == sc_cursor_c::npos)
            return fields >= 2 ? sc_broken(c.limit()) : sc_reject();
        pos = eol + 1;
    }
    if (fields < 2)
        return sc_reject();
    const uint64_t body = pos;
    for (;;) {
        size_t len = c.search_window(body, pos);
        // Text that runs into the next message's header ends where that begins.
        if (len == 0)
            return pos < c.limit() ? sc_walked(c, pos) : sc_broken(pos);
        const uint8_t *w = c.window(pos, len);
        if (!w)
            return sc_broken(pos);
        for (size_t i = 0; i < len; ++i)
            if (!is_mail_text(w[i]))
                return sc_walked(c, pos + i);
        pos += len;
    }
}
