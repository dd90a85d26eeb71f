#include "fat_dir.h"

#include <cstring>

#include "fat_codepage.h"
#include "fat_entry_check.h"

using namespace fat_layout;

static constexpr uint32_t max_entries = 0x10000; // the index is 16 bits wide

uint8_t fat_short_name_checksum(const uint8_t *name11)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < entry::name_length; ++i)
        sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + name11[i]);
    return sum;
}

int fat_dir_seek(fat_dir_s &dir, uint32_t index)
{
    fat_volume_s &vol = *dir.vol;
    const fat_geometry_s &g = vol.geometry;
    dir.index = index;
    uint32_t cluster = dir.start_cluster;
    if (cluster == 0 && g.type == fat32)
        cluster = static_cast<uint32_t>(g.root_base);
    if (cluster == 0) {
        if (index >= g.root_entries)
            return fr_int_err;
        dir.sector = g.root_base + index / entries_per_sector;
    } else {
        const uint32_t per_cluster = entries_per_sector * g.cluster_sectors;
        uint32_t skip = index / per_cluster;
        while (skip--) {
            cluster = fat_next_cluster(vol, cluster);
            if (cluster == UINT32_MAX)
                return fr_disk_err;
            if (cluster < 2 || cluster >= g.fat_entries)
                return fr_int_err;
        }
        uint64_t first = fat_cluster_sector(vol, cluster);
        if (first == 0)
            return fr_int_err;
        dir.sector = first + (index % per_cluster) / entries_per_sector;
    }
    dir.cluster = cluster;
    return fr_ok;
}

int fat_dir_next(fat_dir_s &dir)
{
    fat_volume_s &vol = *dir.vol;
    const fat_geometry_s &g = vol.geometry;
    uint32_t i = dir.index + 1;
    if (i >= max_entries || dir.sector == 0) {
        dir.sector = 0;
        return fr_no_file;
    }
    if (i % entries_per_sector == 0) {
        ++dir.sector;
        if (dir.cluster == 0) {
            if (i >= g.root_entries) {
                dir.sector = 0;
                return fr_no_file;
            }
        } else if ((i / entries_per_sector) % g.cluster_sectors == 0) {
            uint32_t next = fat_next_cluster(vol, dir.cluster);
            if (next <= 1)
                return fr_int_err;
            if (next == UINT32_MAX)
                return fr_disk_err;
            if (next >= g.fat_entries) {
                dir.sector = 0;
                return fr_no_file;
            }
            dir.cluster = next;
            dir.sector = fat_cluster_sector(vol, next);
        }
    }
    dir.index = i;
    return fr_ok;
}

const uint8_t *fat_dir_entry(const fat_dir_s &dir)
{
    return dir.vol->window + (dir.index % entries_per_sector) * entry_bytes;
}

// Puts one long-name piece at its place in buf; false when it does not fit.
static bool pick_long_name_piece(char16_t *buf, const uint8_t *e)
{
    unsigned order = e[long_entry::order] & 0x3F;
    if (order == 0)
        return false;
    size_t i = (order - 1) * long_entry::chars_per_entry;
    bool ended = false;
    for (size_t off : long_entry::char_offsets) {
        char16_t c = le16_at(e + off);
        if (ended)
            continue;
        if (i >= fat_long_name_units || (c != 0 && i >= fat_long_name_units - 1))
            return false;
        buf[i++] = c;
        ended = c == 0;
    }
    if ((e[long_entry::order] & long_entry::last_piece) && !ended)
        buf[i] = 0; // i < fat_long_name_units: checked in the loop
    return true;
}

int fat_dir_read_entry(fat_dir_s &dir)
{
    uint8_t order = 0xFF;
    uint8_t sum = 0xFF;
    dir.long_name_index = fat_dir_s::no_long_name;
    dir.first_byte = 0;
    dir.deleted_pieces.clear();
    const fat_entry_bounds_s bounds = fat_entry_bounds(dir.vol->geometry);
    int res = fr_no_file;
    while (dir.sector) {
        res = fat_move_window(*dir.vol, dir.sector);
        if (res != fr_ok)
            break;
        const uint8_t *e = fat_dir_entry(dir);
        uint8_t c = e[entry::name];
        if (c == entry::end_marker) {
            res = fr_no_file;
            break;
        }
        dir.deleted = c == entry::deleted_marker;
        uint8_t attr = e[entry::attributes] & 0x3F;
        const bool long_piece = attr == entry::long_name_attr;
        if (c == '.' ||
            (long_piece ? !fat_long_entry_ok(e) : !(attr & entry::volume_attr) && !fat_short_entry_ok(e, bounds))) {
            // Dot entries are not returned; bytes that fail the checks are
            // no entry at all, and break the long name before them.
            order = 0xFF;
            dir.deleted_pieces.clear();
        } else if (long_piece && dir.deleted) {
            // Their order numbers are lost; the short entry places them.
            order = 0xFF;
            dir.deleted_pieces.add(e);
        } else if (attr & entry::volume_attr) {
            dir.deleted_pieces.clear();
            if (long_piece) {
                if (c & long_entry::last_piece) {
                    sum = e[long_entry::checksum];
                    c &= static_cast<uint8_t>(~long_entry::last_piece);
                    order = c;
                    dir.long_name_index = dir.index;
                }
                order = (c == order && sum == e[long_entry::checksum] && pick_long_name_piece(dir.long_name, e))
                    ? static_cast<uint8_t>(order - 1)
                    : 0xFF;
            } else {
                order = 0xFF;
            }
        } else {
            if (order != 0 || sum != fat_short_name_checksum(e))
                dir.long_name_index = fat_dir_s::no_long_name;
            if (dir.deleted) {
                const auto found = dir.deleted_pieces.recover(e, dir.long_name);
                dir.first_byte = found.first_byte;
                if (found.pieces)
                    dir.long_name_index = dir.index - static_cast<uint32_t>(found.pieces);
            }
            memcpy(dir.short_name, e, entry::name_length);
            return fr_ok;
        }
        res = fat_dir_next(dir);
        if (res != fr_ok)
            break;
    }
    if (res != fr_ok)
        dir.sector = 0;
    return res;
}

std::u16string fat_decode_short_name(const uint8_t *e, bool deleted, uint8_t first_byte)
{
    uint8_t bytes[12];
    size_t n = 0;
    const uint8_t case_bits = e[entry::case_bits];
    auto put = [&](uint8_t b, bool lower) {
        if (lower && b >= 'A' && b <= 'Z')
            b = static_cast<uint8_t>(b + 0x20);
        bytes[n++] = b;
    };
    uint8_t name[entry::name_length];
    memcpy(name, e, sizeof name);
    const bool lost = deleted && first_byte == 0;
    if (deleted)
        name[0] = first_byte;
    for (size_t i = 0; i < 8 && name[i] != ' '; ++i)
        put(i == 0 && name[i] == entry::kanji_e5 ? entry::deleted_marker : name[i], case_bits & entry::lower_base);
    const size_t base_len = n;
    if (name[8] != ' ') {
        bytes[n++] = '.';
        for (size_t i = 8; i < 11 && name[i] != ' '; ++i)
            put(name[i], case_bits & entry::lower_ext);
    }
    // The first byte of a deleted name is a marker, not half of a character.
    if (lost && base_len > 0)
        return u"?" + fat_decode_oem(bytes + 1, n - 1);
    return fat_decode_oem(bytes, n);
}

static void fill_info(const fat_dir_s &dir, fat_file_info_s &info)
{
    const uint8_t *e = fat_dir_entry(dir);
    std::u16string short_name = fat_decode_short_name(e, dir.deleted, dir.first_byte);
    memset(info.short_name, 0, sizeof info.short_name);
    memcpy(info.short_name, short_name.data(), std::min(short_name.size(), size_t{12}) * sizeof(char16_t));
    info.first_char_lost = dir.deleted && dir.first_byte == 0;
    info.attributes = static_cast<uint8_t>((e[entry::attributes] & 0x3F) | (dir.deleted ? 0x40 : 0));
    info.cluster = fat_entry_cluster(*dir.vol, e);
    info.size = le32_at(e + entry::file_size);
    info.modified_date = le16_at(e + entry::modified_date);
    info.modified_time = le16_at(e + entry::modified_time);
    info.created_date = le16_at(e + entry::created_date);
    info.created_time = le16_at(e + entry::created_time);
    if (info.long_name && info.long_name_size) {
        size_t n = 0;
        if (dir.long_name_index != fat_dir_s::no_long_name)
            while (n + 1 < info.long_name_size && n < fat_long_name_units && dir.long_name[n]) {
                info.long_name[n] = dir.long_name[n];
                ++n;
            }
        info.long_name[n] = 0;
    }
}

int fat_read_dir(fat_dir_s &dir, fat_file_info_s *info)
{
    int res = fat_validate(dir.vol, dir.mount_id);
    if (res != fr_ok)
        return res;
    if (!info)
        return fat_dir_seek(dir, 0);
    res = fat_dir_read_entry(dir);
    if (res == fr_no_file) {
        info->short_name[0] = 0;
        return fr_ok;
    }
    if (res != fr_ok)
        return res;
    fill_info(dir, *info);
    res = fat_dir_next(dir);
    if (res == fr_no_file)
        return fr_ok;
    if (res != fr_ok)
        dir.sector = 0; // later reads see the end instead of this entry again
    return res;
}
