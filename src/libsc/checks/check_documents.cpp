// Document formats: PDF, OLE2 compound files, RTF, SQLite, e-mail.
#include <algorithm>
#include <cctype>
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
} // namespace

// The last %%EOF of the document: one not followed by an incremental update.
sc_result_s check_pdf(sc_cursor_c &c)
{
    uint8_t digit = 0;
    if (!c.equals(0, "%PDF-") || !c.u8(5, digit) || digit < '1' || digit > '2')
        return sc_reject();
    for (uint64_t e = c.find("%%EOF", 8); e != sc_cursor_c::npos; e = c.find("%%EOF", e + 5)) {
        uint64_t end = e + 5;
        if (c.equals(end, "\r\n"))
            end += 2;
        else if (c.equals(end, "\n") || c.equals(end, "\r"))
            end += 1;
        if (!pdf_continues(c, end))
            return sc_walked(c, end);
    }
    return sc_broken(0);
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

// Page size times the page count, when the header says that count is current.
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
    if (pages == 0 || changes != valid_for)
        return sc_broken(0);
    return sc_sized(c, uint64_t(pages) * page_size);
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
