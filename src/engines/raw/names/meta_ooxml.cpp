// Office Open XML: a zip whose docProps/core.xml holds the Dublin Core
// title and dates. The central directory at the end says where that entry lies.
#include <zlib.h>

#include <cstring>

#include "carved_dates.h"
#include "carved_meta.h"

namespace {

const size_t most_xml = 256 * 1024;

// Where the entry named name starts (its local header) and how it is stored.
struct zip_entry_s {
    uint64_t local = 0;
    uint32_t packed = 0, size = 0;
    uint16_t method = 0;
};

bool find_entry(carved_bytes_c &file, const std::string &name, zip_entry_s &out)
{
    uint64_t tail_at = 0;
    const std::string tail = tail_of(file, 64 * 1024 + 22, &tail_at);
    const size_t eocd = tail.rfind("PK\x05\x06");
    if (eocd == std::string::npos || eocd + 22 > tail.size())
        return false;
    const uint32_t dir_size = get_le32(tail.data() + eocd + 12);
    const uint32_t dir_at = get_le32(tail.data() + eocd + 16);
    if (dir_size > 4 * 1024 * 1024)
        return false;
    const std::string dir = bytes_at(file, dir_at, dir_size);
    for (size_t pos = 0; pos + 46 <= dir.size();) {
        const char *e = dir.data() + pos;
        if (memcmp(e, "PK\x01\x02", 4) != 0)
            return false;
        const uint16_t name_len = get_le16(e + 28), extra = get_le16(e + 30), comment = get_le16(e + 32);
        if (pos + 46 + name_len > dir.size())
            return false;
        if (dir.compare(pos + 46, name_len, name) == 0) {
            out.method = get_le16(e + 10);
            out.packed = get_le32(e + 20);
            out.size = get_le32(e + 24);
            out.local = get_le32(e + 42);
            return true;
        }
        pos += 46ull + name_len + extra + comment;
    }
    return false;
}

// The entry's bytes, stored or deflated, when it is small enough for a name.
std::string entry_bytes(carved_bytes_c &file, const zip_entry_s &e)
{
    if (e.packed > most_xml || e.size > most_xml)
        return {};
    const std::string local = bytes_at(file, e.local, 30);
    if (local.size() < 30 || local.compare(0, 4, "PK\x03\x04") != 0)
        return {};
    const uint64_t data = e.local + 30 + get_le16(local.data() + 26) + get_le16(local.data() + 28);
    const std::string packed = bytes_at(file, data, e.packed);
    if (packed.size() != e.packed)
        return {};
    if (e.method == 0)
        return packed;
    if (e.method != 8)
        return {};
    std::string out(e.size, '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return {};
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END || rc == Z_BUF_ERROR ? out : std::string();
}

// Character and entity references of XML text.
std::string xml_text(const std::string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out.push_back(s[i]);
            continue;
        }
        const size_t semi = s.find(';', i);
        if (semi == std::string::npos || semi - i > 10) {
            out.push_back('&');
            continue;
        }
        const std::string ref = s.substr(i + 1, semi - i - 1);
        static const char *const names[][2] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
        bool known = false;
        for (const auto &n : names)
            if (ref == n[0]) {
                out += n[1];
                known = true;
            }
        if (!known && ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x' || ref[1] == 'X';
            char *end = nullptr;
            const unsigned long c = strtoul(ref.c_str() + (hex ? 2 : 1), &end, hex ? 16 : 10);
            if (end && *end == '\0' && c > 0 && c < 0x110000) {
                append_utf8(out, static_cast<char32_t>(c));
                known = true;
            }
        }
        if (!known) {
            out.push_back('&');
            continue;
        }
        i = semi;
    }
    return out;
}

// The text of the first element named tag (with its prefix, as Office writes it).
std::string element_text(const std::string &xml, const std::string &tag)
{
    size_t open = xml.find("<" + tag);
    if (open == std::string::npos)
        return {};
    open = xml.find('>', open);
    if (open == std::string::npos || xml[open - 1] == '/')
        return {};
    const size_t close = xml.find("</" + tag + ">", open);
    if (close == std::string::npos)
        return {};
    return xml_text(xml.substr(open + 1, close - open - 1));
}

} // namespace

carved_meta_s ooxml_meta(carved_bytes_c &file)
{
    zip_entry_s entry;
    if (bytes_at(file, 0, 4) != "PK\x03\x04" || !find_entry(file, "docProps/core.xml", entry))
        return {};
    const std::string xml = entry_bytes(file, entry);
    return {element_text(xml, "dc:title"), w3cdtf_date(element_text(xml, "dcterms:modified")),
            w3cdtf_date(element_text(xml, "dcterms:created"))};
}
