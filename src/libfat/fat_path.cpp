#include "fat_path.h"

#include <cstring>

#include "fat_codepage.h"

using namespace fat_layout;

namespace {

// One name of a path in its long and short (11-byte, upper-case) forms.
struct path_name_s {
    std::u16string long_form;
    uint8_t short_form[entry::name_length];
    bool last = false;
};

bool is_separator(char16_t c)
{
    return c == u'/' || c == u'\\';
}

// Splits the next name off path at pos. fr_invalid_name for a name the
// file system cannot hold.
int next_name(const std::u16string &path, size_t &pos, path_name_s &out)
{
    std::u16string name;
    while (pos < path.size() && path[pos] >= 0x20 && !is_separator(path[pos])) {
        char16_t c = path[pos++];
        if (c < 0x80 && (c == 0x7F || std::strchr("\"*:<>?|", static_cast<char>(c))))
            return fr_invalid_name;
        name.push_back(c);
        if (name.size() > 255)
            return fr_invalid_name;
    }
    while (pos < path.size() && is_separator(path[pos]))
        ++pos;
    out.last = pos >= path.size() || path[pos] < 0x20;
    while (!name.empty() && (name.back() == u' ' || name.back() == u'.'))
        name.pop_back();
    if (name.empty())
        return fr_invalid_name;
    out.long_form = name;

    memset(out.short_form, ' ', sizeof out.short_form);
    size_t dot = name.rfind(u'.');
    size_t n = 0;
    size_t limit = 8;
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (i == dot) {
            n = 8;
            limit = 11;
            continue;
        }
        if (c == u' ' || (c == u'.' && i < dot))
            continue;
        if (n >= limit)
            continue;
        uint16_t oem = fat_short_name_code(c);
        if (oem > 0xFF) {
            if (n + 2 > limit)
                continue;
            out.short_form[n++] = static_cast<uint8_t>(oem >> 8);
            oem &= 0xFF;
        }
        out.short_form[n++] = static_cast<uint8_t>(oem);
    }
    if (out.short_form[0] == entry::deleted_marker)
        out.short_form[0] = entry::kanji_e5;
    return fr_ok;
}

bool same_long_name(const char16_t *stored, const std::u16string &wanted)
{
    size_t i = 0;
    for (; i < wanted.size(); ++i)
        if (!stored[i] || fat_upper(stored[i]) != fat_upper(wanted[i]))
            return false;
    return stored[i] == 0;
}

// Searches the directory for the name; leaves the object at the entry.
int find_name(fat_dir_s &dir, const path_name_s &name)
{
    int res = fat_dir_seek(dir, 0);
    while (res == fr_ok) {
        res = fat_dir_read_entry(dir);
        if (res != fr_ok)
            break;
        if (!dir.deleted) {
            bool has_long = dir.long_name_index != fat_dir_s::no_long_name;
            if ((has_long && same_long_name(dir.long_name, name.long_form)) ||
                memcmp(dir.short_name, name.short_form, entry::name_length) == 0)
                return fr_ok;
        }
        res = fat_dir_next(dir);
    }
    return res;
}

// Follows path from the root; on success the object is at the last name's
// entry (entry_found) or at the root when the path names no entry.
int follow_path(fat_dir_s &dir, const std::u16string &path, bool &entry_found)
{
    size_t pos = 0;
    while (pos < path.size() && is_separator(path[pos]))
        ++pos;
    dir.start_cluster = 0;
    entry_found = false;
    if (pos >= path.size() || path[pos] < 0x20)
        return fat_dir_seek(dir, 0);
    for (;;) {
        path_name_s name;
        int res = next_name(path, pos, name);
        if (res != fr_ok)
            return res;
        res = find_name(dir, name);
        if (res != fr_ok)
            return res == fr_no_file && !name.last ? fr_no_path : res;
        if (name.last) {
            entry_found = true;
            return fr_ok;
        }
        const uint8_t *e = fat_dir_entry(dir);
        if (!(e[entry::attributes] & 0x10))
            return fr_no_path;
        dir.start_cluster = fat_entry_cluster(*dir.vol, e);
    }
}

// Mounts the volume on demand and follows path from its root.
int find_path(fat_dir_s &dir, fat_volume_s &vol, const std::u16string &path, bool &entry_found)
{
    int res = fat_find_volume(vol);
    if (res != fr_ok)
        return res;
    dir.vol = &vol;
    dir.mount_id = vol.mount_id;
    return follow_path(dir, path, entry_found);
}

} // namespace

int fat_open_dir(fat_dir_s &dir, fat_volume_s &vol, const std::u16string &path)
{
    bool entry_found = false;
    int res = find_path(dir, vol, path, entry_found);
    if (res == fr_no_file)
        return fr_no_path;
    if (res != fr_ok)
        return res;
    if (entry_found) {
        const uint8_t *e = fat_dir_entry(dir);
        if (!(e[entry::attributes] & 0x10))
            return fr_no_path;
        dir.start_cluster = fat_entry_cluster(*dir.vol, e);
    }
    return fat_dir_seek(dir, 0);
}

int fat_open_file(fat_file_s &file, fat_volume_s &vol, const std::u16string &path)
{
    fat_dir_s dir;
    bool entry_found = false;
    int res = find_path(dir, vol, path, entry_found);
    if (res != fr_ok)
        return res;
    if (!entry_found)
        return fr_invalid_name;
    const uint8_t *e = fat_dir_entry(dir);
    if (e[entry::attributes] & 0x10)
        return fr_no_file;
    fat_file_setup(file, *dir.vol, fat_entry_cluster(*dir.vol, e), le32_at(e + entry::file_size));
    return fr_ok;
}
