#include "exfat_entry_set.h"

#include "exfat_layout.h"
#include "platform/le_bytes.h"

using namespace exfat_layout;

bool exfat_set_s::is_directory() const
{
    return attributes & file::attr_directory;
}

bool exfat_set_s::no_fat_chain() const
{
    return stream_flags & stream::no_fat_chain;
}

uint16_t exfat_set_checksum(const uint8_t *set, size_t count, bool deleted)
{
    uint16_t sum = 0;
    for (size_t i = 0; i < count * entry_bytes; ++i) {
        if (i == file::set_checksum || i == file::set_checksum + 1)
            continue;
        uint8_t b = set[i];
        if (deleted && i % entry_bytes == 0)
            b |= in_use_bit;
        sum = static_cast<uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + b);
    }
    return sum;
}

uint16_t exfat_name_hash(const char16_t *name, size_t length, const exfat_upcase_c &table)
{
    uint16_t hash = 0;
    for (size_t i = 0; i < length; ++i) {
        const char16_t c = table.upper(name[i]);
        hash = static_cast<uint16_t>(((hash & 1) ? 0x8000 : 0) + (hash >> 1) + (c & 0xFF));
        hash = static_cast<uint16_t>(((hash & 1) ? 0x8000 : 0) + (hash >> 1) + (c >> 8));
    }
    return hash;
}

exfat_set_check_e exfat_read_set(const uint8_t *entries, size_t len, const exfat_upcase_c &upcase, exfat_set_s &out)
{
    if (len < entry_bytes || (entries[0] | in_use_bit) != type_file)
        return exfat_set_check_e::not_a_set;
    const bool deleted = !(entries[0] & in_use_bit);
    const uint8_t secondaries = entries[file::secondary_count];
    // A stream extension and at least one name entry; 255 characters take 17.
    if (secondaries < 2 || secondaries > 18)
        return exfat_set_check_e::bad_count;
    const size_t count = size_t{secondaries} + 1;
    if (len < count * entry_bytes)
        return exfat_set_check_e::truncated;
    // Every entry of a set shares the file entry's in-use bit; one that does
    // not belongs to a set written later over the deleted one.
    const uint8_t use = deleted ? 0 : in_use_bit;
    for (size_t k = 1; k < count; ++k) {
        const uint8_t type = entries[k * entry_bytes];
        if ((type & in_use_bit) != use || !(type & secondary_bit))
            return exfat_set_check_e::bad_count;
    }
    const uint8_t *st = entries + entry_bytes;
    if ((st[0] | in_use_bit) != type_stream)
        return exfat_set_check_e::bad_count;
    if (exfat_set_checksum(entries, count, deleted) != le16_at(entries + file::set_checksum))
        return exfat_set_check_e::bad_checksum;

    exfat_set_s s;
    s.deleted = deleted;
    s.entries = count;
    s.attributes = le16_at(entries + file::attributes);
    s.created = le32_at(entries + file::created);
    s.modified = le32_at(entries + file::modified);
    s.created_10ms = entries[file::created_10ms];
    s.modified_10ms = entries[file::modified_10ms];
    s.created_utc = entries[file::created_utc];
    s.modified_utc = entries[file::modified_utc];
    s.stream_flags = st[stream::flags];
    s.valid_length = le64_at(st + stream::valid_length);
    s.data_length = le64_at(st + stream::data_length);
    s.first_cluster = le32_at(st + stream::first_cluster);
    const size_t name_length = st[stream::name_length];
    if (name_length == 0)
        return exfat_set_check_e::bad_count;
    // The name entries follow the stream extension; benign secondaries may
    // come after them.
    for (size_t k = 2; k < count && s.name.size() < name_length; ++k) {
        const uint8_t *e = entries + k * entry_bytes;
        if ((e[0] | in_use_bit) != type_name)
            break;
        for (size_t c = 0; c < name::chars_per_entry && s.name.size() < name_length; ++c)
            s.name.push_back(static_cast<char16_t>(le16_at(e + name::chars + 2 * c)));
    }
    if (s.name.empty())
        return exfat_set_check_e::bad_count;
    s.name_cut = s.name.size() < name_length;
    // The padding after the last character of a cut name is no part of it.
    while (s.name_cut && !s.name.empty() && s.name.back() == 0)
        s.name.pop_back();
    if (s.name.empty())
        return exfat_set_check_e::bad_count;
    if (upcase.loaded() && !s.name_cut &&
        exfat_name_hash(s.name.data(), s.name.size(), upcase) != le16_at(st + stream::name_hash))
        return exfat_set_check_e::bad_hash;
    out = std::move(s);
    return exfat_set_check_e::ok;
}
