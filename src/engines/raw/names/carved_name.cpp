#include "carved_name.h"

#include <cstdio>
#include <cstring>

#include "carved_meta.h"

namespace {

using reader_fn = carved_meta_s (*)(carved_bytes_c &);

reader_fn reader_of(const std::string &type)
{
    static const struct {
        const char *type;
        reader_fn reader;
    } readers[] = {
        {"jpg", exif_meta},   {"tif", exif_meta},   {"pdf", pdf_meta},  {"docx", ooxml_meta},
        {"xlsx", ooxml_meta}, {"pptx", ooxml_meta}, {"doc", ole2_meta}, {"xls", ole2_meta},
        {"ppt", ole2_meta},   {"mp3", id3_meta},    {"png", png_meta},
    };
    for (const auto &r : readers)
        if (type == r.type)
            return r.reader;
    return nullptr;
}

// One code point of s from pos (advancing it); U+FFFD for a malformed sequence.
char32_t next_code_point(const std::string &s, size_t &pos)
{
    const uint8_t b = static_cast<uint8_t>(s[pos++]);
    if (b < 0x80)
        return b;
    const int extra = b >= 0xf0 && b < 0xf5 ? 3 : b >= 0xe0 ? 2 : b >= 0xc2 && b < 0xe0 ? 1 : -1;
    if (extra < 0)
        return 0xfffd;
    char32_t c = b & (0x3f >> extra);
    for (int i = 0; i < extra; ++i) {
        if (pos >= s.size() || (static_cast<uint8_t>(s[pos]) & 0xc0) != 0x80)
            return 0xfffd;
        c = c << 6 | (static_cast<uint8_t>(s[pos++]) & 0x3f);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    return c < least[extra] || c > 0x10ffff || (c >= 0xd800 && c < 0xe000) ? 0xfffd : c;
}

// Characters no name may hold, or that would change how a name reads
// (bidirectional overrides can hide the real extension).
bool unsafe(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || strchr("/\\:*?\"<>|", static_cast<int>(c < 0x80 ? c : 'a')) ||
        c == 0xfffd || (c >= 0x200b && c <= 0x200f) || (c >= 0x2028 && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) ||
        c == 0xfeff;
}

bool blank(char32_t c)
{
    return c == ' ' || c == 0xa0 || c == 0x3000;
}

} // namespace

bool carved_type_has_meta(const std::string &type)
{
    return reader_of(type) != nullptr;
}

carved_meta_s read_carved_meta(const std::string &type, carved_bytes_c &file)
{
    const reader_fn reader = reader_of(type);
    return reader ? reader(file) : carved_meta_s();
}

std::string safe_label(const std::string &label)
{
    std::string out;
    size_t chars = 0;
    bool gap = false; // blanks and replaced characters run together into one
    for (size_t pos = 0; pos < label.size() && pos < 4096 && chars < carved_label_chars;) {
        const char32_t c = next_code_point(label, pos);
        if (blank(c) || unsafe(c)) {
            gap = true;
            continue;
        }
        if (gap && !out.empty() && chars + 1 < carved_label_chars) {
            out.push_back(' ');
            ++chars;
        }
        gap = false;
        append_utf8(out, c);
        ++chars;
    }
    // Windows drops dots and blanks at the end of a name, and a leading dot hides a file.
    while (!out.empty() && (out.back() == '.' || out.back() == ' '))
        out.pop_back();
    const size_t first = out.find_first_not_of(". ");
    return first == std::string::npos ? std::string() : out.substr(first);
}

std::string carved_file_name(uint64_t number, const std::string &label, const std::string &type)
{
    char digits[24];
    snprintf(digits, sizeof digits, "%08llu", static_cast<unsigned long long>(number));
    const std::string safe = safe_label(label);
    return std::string(digits) + (safe.empty() ? "" : " " + safe) + "." + type;
}
