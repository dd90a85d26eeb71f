#include "record_summary.h"

#include "ntfs_layout.h"

int64_t ntfs_time_to_unix(uint64_t ntfs_time)
{
    constexpr int64_t seconds_1601_to_1970 = 11644473600;
    return static_cast<int64_t>(ntfs_time / 10000000u) - seconds_1601_to_1970;
}

void copy_record_name(ntfs_scan_record &out, const void *utf16, size_t units)
{
    // Up to a zero unit inside a damaged name too: the name is read up to
    // its first zero, and nothing past that is ever written.
    const uint8_t *from = static_cast<const uint8_t *>(utf16);
    size_t kept = 0;
    for (; kept < units && kept < 259 && (from[2 * kept] | from[2 * kept + 1]); ++kept) {
    }
    memcpy(out.name, utf16, kept * 2);
    out.name[kept] = 0;
}

bool pick_file_name(const std::vector<attribute_s> &attributes, chosen_name_s &out)
{
    bool found = false;
    for (const attribute_s &a : attributes) {
        ntfs_file_name_s fn;
        if (a.type != ntfs_attr_file_name || a.non_resident || !read_struct(a.value, 0, fn) ||
            !a.value.covers(sizeof fn, 2u * fn.name_length) || fn.name_length == 0)
            continue;
        if (found && fn.name_space == ntfs_namespace_dos)
            continue;
        out.header = fn;
        out.name = a.value.sub(sizeof fn, 2u * fn.name_length);
        found = true;
        if (fn.name_space != ntfs_namespace_dos)
            break;
    }
    return found;
}

namespace {

// The unnamed $DATA's size, without decoding its run list.
uint64_t data_stream_size(const std::vector<attribute_s> &attributes)
{
    for (const attribute_s &a : attributes) {
        if (a.type != ntfs_attr_data || !a.unnamed)
            continue;
        if (!a.non_resident)
            return a.value.size;
        if (a.lowest_vcn == 0)
            return a.data_size;
    }
    return 0;
}

} // namespace

bool summarize_record(const file_record_s &record, ntfs_scan_record &out)
{
    chosen_name_s name;
    if (!pick_file_name(record.attributes, name))
        return false;
    out.id = record.number;
    out.parent_id = name.header.parent_reference & ntfs_reference_mask;
    out.sequence = record.header.sequence;
    out.flags = (record.header.flags & ntfs_record_is_directory) ? ntfs_record_flag_directory : ntfs_record_flag_file;
    if (!(record.header.flags & ntfs_record_in_use))
        out.flags |= ntfs_record_flag_deleted;
    copy_record_name(out, name.name.data, name.name.size / 2);

    uint64_t modified = name.header.modified, created = name.header.created;
    for (const attribute_s &a : record.attributes) {
        ntfs_standard_information_s si;
        if (a.type == ntfs_attr_standard_information && !a.non_resident && read_struct(a.value, 0, si)) {
            modified = si.modified;
            created = si.created;
            break;
        }
    }
    out.first_time = ntfs_time_to_unix(modified);
    out.second_time = ntfs_time_to_unix(created);
    if (!(out.flags & ntfs_record_flag_directory))
        out.size = data_stream_size(record.attributes);
    return true;
}
