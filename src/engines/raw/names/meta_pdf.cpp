// PDF: the trailer names the information dictionary ("/Info N G R"); the
// cross-reference table, or a search near either end, finds that object.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "carved_dates.h"
#include "carved_meta.h"

namespace {

const size_t window = 64 * 1024;

bool is_space(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool is_delimiter(char c)
{
    return is_space(c) || strchr("()<>[]{}/%", c) != nullptr;
}

// Reads an unsigned number at pos (after blanks); npos when there is none.
uint64_t number_at(const std::string &s, size_t &pos)
{
    while (pos < s.size() && is_space(s[pos]))
        ++pos;
    uint64_t n = 0;
    size_t digits = 0;
    for (; pos < s.size() && isdigit(static_cast<unsigned char>(s[pos])) && digits < 12; ++pos, ++digits)
        n = n * 10 + static_cast<uint64_t>(s[pos] - '0');
    return digits ? n : UINT64_MAX;
}

// The object number of the last "/Info N G R" in text.
uint64_t info_ref(const std::string &text)
{
    size_t at = text.rfind("/Info");
    while (at != std::string::npos) {
        size_t pos = at + 5;
        const uint64_t n = number_at(text, pos);
        const uint64_t g = number_at(text, pos);
        while (pos < text.size() && is_space(text[pos]))
            ++pos;
        if (n != UINT64_MAX && g != UINT64_MAX && pos < text.size() && text[pos] == 'R')
            return n;
        at = at ? text.rfind("/Info", at - 1) : std::string::npos;
    }
    return UINT64_MAX;
}

// Where object n starts according to the classic cross-reference table that
// the last startxref points to; npos when there is none.
uint64_t xref_offset(carved_bytes_c &file, const std::string &tail, uint64_t n)
{
    const size_t at = tail.rfind("startxref");
    if (at == std::string::npos)
        return UINT64_MAX;
    size_t pos = at + 9;
    const uint64_t table = number_at(tail, pos);
    if (table == UINT64_MAX || table >= file.limit())
        return UINT64_MAX;
    const std::string head = bytes_at(file, table, 64);
    if (head.compare(0, 4, "xref") != 0)
        return UINT64_MAX; // a cross-reference stream: left to the search
    size_t p = 4;
    const uint64_t first = number_at(head, p);
    const uint64_t count = number_at(head, p);
    while (p < head.size() && is_space(head[p]))
        ++p;
    // Only the first subsection: most tables have one.
    if (first == UINT64_MAX || count == UINT64_MAX || n < first || n - first >= count)
        return UINT64_MAX;
    const std::string entry = bytes_at(file, table + p + 20 * (n - first), 20);
    size_t e = 0;
    const uint64_t offset = number_at(entry, e);
    return entry.size() == 20 && entry[17] == 'n' ? offset : UINT64_MAX;
}

// Where the last "n G obj" in text begins (at a token start), else npos:
// an incremental update appends the newer copy.
size_t find_object(const std::string &text, uint64_t n)
{
    const std::string number = std::to_string(n) + " ";
    size_t found = std::string::npos;
    for (size_t at = text.find(number); at != std::string::npos; at = text.find(number, at + 1)) {
        if (at > 0 && !is_delimiter(text[at - 1]))
            continue;
        size_t pos = at + number.size();
        if (number_at(text, pos) == UINT64_MAX)
            continue;
        while (pos < text.size() && is_space(text[pos]))
            ++pos;
        if (text.compare(pos, 3, "obj") == 0)
            found = at;
    }
    return found;
}

// A literal string "(...)" from pos (just after the parenthesis): escapes
// resolved, balanced inner parentheses kept.
std::string literal_string(const std::string &s, size_t pos)
{
    std::string out;
    int depth = 1;
    while (pos < s.size() && out.size() < 1024) {
        char c = s[pos++];
        if (c == '\\' && pos < s.size()) {
            char e = s[pos++];
            static const char named[] = "nrtbf", meant[] = "\n\r\t\b\f";
            if (const char *k = e ? strchr(named, e) : nullptr) {
                out.push_back(meant[k - named]);
            } else if (e >= '0' && e <= '7') {
                int v = e - '0';
                for (int k = 0; k < 2 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++k)
                    v = v * 8 + (s[pos++] - '0');
                out.push_back(static_cast<char>(v & 0xff));
            } else if (e == '\r') { // an escaped line break is no character
                if (pos < s.size() && s[pos] == '\n')
                    ++pos;
            } else if (e != '\n') {
                out.push_back(e);
            }
            continue;
        }
        if (c == '(')
            ++depth;
        else if (c == ')' && --depth == 0)
            return out;
        out.push_back(c);
    }
    return out;
}

// A hex string "<...>" from pos (just after the bracket).
std::string hex_string(const std::string &s, size_t pos)
{
    std::string out;
    int high = -1;
    for (; pos < s.size() && s[pos] != '>' && out.size() < 1024; ++pos) {
        if (!isxdigit(static_cast<unsigned char>(s[pos])))
            continue;
        const int v = isdigit(static_cast<unsigned char>(s[pos])) ? s[pos] - '0' : (tolower(s[pos]) - 'a' + 10);
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0)
        out.push_back(static_cast<char>(high << 4));
    return out;
}

// PDFDocEncoding: Latin-1 except for the typographic characters at 0x80-0xa0.
std::string pdfdoc_to_utf8(const std::string &bytes)
{
    static const char16_t high[] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039,
                                    0x203a, 0x2212, 0x2030, 0x201e, 0x201c, 0x201d, 0x2018, 0x2019, 0x201a,
                                    0x2122, 0xfb01, 0xfb02, 0x0141, 0x0152, 0x0160, 0x0178, 0x017d, 0x0131,
                                    0x0142, 0x0153, 0x0161, 0x017e, 0xfffd, 0x20ac};
    std::string out;
    for (char b : bytes) {
        const uint8_t v = static_cast<uint8_t>(b);
        if (v == 0)
            break;
        append_utf8(out, v >= 0x80 && v <= 0xa0 ? high[v - 0x80] : v);
    }
    return out;
}

std::string decode_text_string(const std::string &bytes)
{
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xfe && static_cast<uint8_t>(bytes[1]) == 0xff)
        return utf16_to_utf8(std::string_view(bytes).substr(2), true);
    if (bytes.compare(0, 3, "\xef\xbb\xbf") == 0)
        return bytes.substr(3, bytes.find('\0') == std::string::npos ? std::string::npos : bytes.find('\0') - 3);
    return pdfdoc_to_utf8(bytes);
}

// The text string of entry key (such as "/Title") of the dictionary that
// begins in text at pos.
std::string entry_in(const std::string &text, size_t pos, const std::string &key)
{
    const size_t end = text.find("endobj", pos);
    size_t at = text.find(key, pos);
    if (at == std::string::npos || (end != std::string::npos && at > end))
        return {};
    at += key.size();
    while (at < text.size() && is_space(text[at]))
        ++at;
    if (at >= text.size())
        return {};
    if (text[at] == '(')
        return decode_text_string(literal_string(text, at + 1));
    if (text[at] == '<' && (at + 1 >= text.size() || text[at + 1] != '<'))
        return decode_text_string(hex_string(text, at + 1));
    return {};
}

carved_meta_s info_entries(const std::string &text, size_t pos)
{
    return {entry_in(text, pos, "/Title"), pdf_date(entry_in(text, pos, "/ModDate")),
            pdf_date(entry_in(text, pos, "/CreationDate"))};
}

} // namespace

carved_meta_s pdf_meta(carved_bytes_c &file)
{
    if (bytes_at(file, 0, 5) != "%PDF-")
        return {};
    uint64_t tail_at = 0;
    const std::string tail = tail_of(file, window, &tail_at);
    const std::string head = bytes_at(file, 0, window);
    uint64_t n = info_ref(tail);
    if (n == UINT64_MAX)
        n = info_ref(head); // a linearized file keeps its first trailer near the start
    if (n == UINT64_MAX)
        return {};
    const uint64_t offset = xref_offset(file, tail, n);
    if (offset != UINT64_MAX) {
        const std::string object = bytes_at(file, offset, 4096);
        if (find_object(object, n) == 0)
            return info_entries(object, 0);
    }
    size_t at = find_object(tail, n);
    if (at != std::string::npos)
        return info_entries(tail, at);
    at = find_object(head, n);
    return at == std::string::npos ? carved_meta_s() : info_entries(head, at);
}
