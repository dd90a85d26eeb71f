#include "fat_entry_check.h"

#include <cstring>

#include "platform/fat_layout.h"

using namespace fat_layout;

namespace {

constexpr uint8_t attr_read_only = 0x01;
constexpr uint8_t attr_directory = 0x10;
constexpr uint8_t attr_archive = 0x20;
constexpr uint8_t attr_unused = 0xC0;
constexpr uint8_t max_long_pieces = 20; // 255 characters
constexpr uint8_t max_tenths = 199;

bool time_ok(uint16_t t)
{
    return (t & 0x1F) <= 29 && ((t >> 5) & 0x3F) <= 59 && (t >> 11) <= 23;
}

// 0 is what writers leave for a date they do not keep.
bool date_ok(uint16_t d)
{
    const unsigned month = (d >> 5) & 0x0F;
    return d == 0 || (month >= 1 && month <= 12 && (d & 0x1F) != 0);
}

uint32_t first_cluster(const uint8_t *e, fat_type_e type)
{
    uint32_t cluster = le16_at(e + entry::cluster_low);
    if (type == fat32)
        cluster |= static_cast<uint32_t>(le16_at(e + entry::cluster_high)) << 16;
    return cluster;
}

// Everything of a short entry but its name.
bool fields_ok(const uint8_t *e, const fat_entry_bounds_s &b)
{
    const uint8_t attr = e[entry::attributes];
    if (attr & attr_unused)
        return false;
    if ((attr & entry::volume_attr) && (attr & (attr_directory | attr_read_only | attr_archive)))
        return false;
    if (e[entry::created_tenths] > max_tenths || !time_ok(le16_at(e + entry::created_time)) ||
        !time_ok(le16_at(e + entry::modified_time)) || !date_ok(le16_at(e + entry::created_date)) ||
        !date_ok(le16_at(e + entry::accessed_date)) || !date_ok(le16_at(e + entry::modified_date)))
        return false;
    // FAT12 and FAT16 keep the high half of the cluster zero.
    if (b.type != fat32 && le16_at(e + entry::cluster_high) != 0)
        return false;
    const uint32_t cluster = first_cluster(e, b.type);
    const uint32_t size = le32_at(e + entry::file_size);
    if (cluster == 1 || cluster >= b.fat_entries || size > b.data_bytes || (size > 0 && cluster == 0))
        return false;
    return !(attr & attr_directory) || size == 0;
}

bool is_dot_name(const uint8_t *e, size_t dots)
{
    for (size_t i = 0; i < entry::name_length; ++i)
        if (e[i] != (i < dots ? '.' : ' '))
            return false;
    return true;
}

// The "." (dots 1) or ".." (dots 2) entry a folder starts with.
bool dot_entry_ok(const uint8_t *e, size_t dots, uint32_t folder, const fat_entry_bounds_s &b)
{
    if (!is_dot_name(e, dots) || !(e[entry::attributes] & attr_directory) ||
        (e[entry::attributes] & entry::volume_attr))
        return false;
    if (dots == 1 && first_cluster(e, b.type) != folder)
        return false;
    return fields_ok(e, b);
}

bool long_name_char_ok(char16_t c)
{
    return c >= 0x20 && (c >= 0x80 || !std::strchr("\"*/:<>?\\|", static_cast<char>(c)));
}

} // namespace

fat_entry_bounds_s fat_entry_bounds(const fat_geometry_s &g)
{
    fat_entry_bounds_s b;
    b.type = g.type;
    b.fat_entries = g.fat_entries;
    b.data_bytes = g.fat_entries < 2 ? 0 : uint64_t{g.fat_entries - 2} * g.cluster_sectors * sector_bytes;
    return b;
}

bool fat_short_name_byte_ok(uint8_t b)
{
    if (b >= 0x80)
        return true; // half or whole of a code-page character
    return b >= 0x20 && b != 0x7F && !(b >= 'a' && b <= 'z') && !std::strchr("\"*+,./:;<=>?[\\]|", b);
}

bool fat_short_name_first_byte_ok(uint8_t b)
{
    if (b == entry::deleted_marker)
        return false; // stored as 0x05
    return b == entry::kanji_e5 || (b != ' ' && fat_short_name_byte_ok(b));
}

bool fat_short_entry_ok(const uint8_t *e, const fat_entry_bounds_s &b)
{
    if (e[entry::name] != entry::deleted_marker && !fat_short_name_first_byte_ok(e[entry::name]))
        return false;
    for (size_t i = 1; i < entry::name_length; ++i)
        if (!fat_short_name_byte_ok(e[i]))
            return false;
    return fields_ok(e, b);
}

bool fat_long_entry_ok(const uint8_t *e)
{
    if (e[entry::attributes] != entry::long_name_attr || e[long_entry::kind] != 0 ||
        le16_at(e + long_entry::cluster) != 0)
        return false;
    const uint8_t order = e[long_entry::order];
    const uint8_t sequence = order & static_cast<uint8_t>(~long_entry::last_piece);
    if (order != entry::deleted_marker && (sequence == 0 || sequence > max_long_pieces))
        return false;
    bool ended = false;
    for (size_t off : long_entry::char_offsets) {
        const char16_t c = le16_at(e + off);
        if (ended) {
            if (c != 0xFFFF && c != 0)
                return false;
        } else if (c == 0) {
            ended = true;
        } else if (!long_name_char_ok(c)) {
            return false;
        }
    }
    return true;
}

bool fat_folder_start_ok(const uint8_t *first, size_t len, uint32_t cluster, const fat_entry_bounds_s &b)
{
    const size_t slots = len / entry_bytes < 2 ? len / entry_bytes : 2;
    if (slots == 0)
        return false;
    bool starts_with_dot = false;
    for (size_t i = 0; i < slots; ++i) {
        const uint8_t *e = first + i * entry_bytes;
        if (e[entry::name] == entry::end_marker)
            return i > 0;
        bool ok;
        if (e[entry::name] == '.') {
            ok = i == 0 ? dot_entry_ok(e, 1, cluster, b) : starts_with_dot && dot_entry_ok(e, 2, cluster, b);
            starts_with_dot = starts_with_dot || i == 0;
        } else if ((e[entry::attributes] & 0x3F) == entry::long_name_attr) {
            ok = !starts_with_dot && fat_long_entry_ok(e);
        } else {
            ok = !starts_with_dot && fat_short_entry_ok(e, b);
        }
        if (!ok)
            return false;
    }
    return true;
}
