#include "own_record_summary.h"

#include "ntfs_layout.h"
#include "record_summary.h"

namespace {

// An attribute's parts as parse_attributes reads them; false where it
// stops.
struct own_attribute_s {
    uint32_t type = 0;
    bool non_resident = false, unnamed = true;
    byte_view_s value;
    uint64_t lowest_vcn = 0, data_size = 0;
};

bool read_own(byte_view_s attr, own_attribute_s &out)
{
    ntfs_attr_header_s common;
    read_struct(attr, 0, common);
    out.type = common.type;
    out.non_resident = common.non_resident != 0;
    out.unnamed = common.name_length == 0;
    if (common.name_length && !attr.covers(common.name_offset, 2u * common.name_length))
        return false;
    if (!out.non_resident) {
        ntfs_resident_header_s r;
        if (!read_struct(attr, 0, r) || !attr.covers(r.value_offset, r.value_length))
            return false;
        out.value = attr.sub(r.value_offset, r.value_length);
        return true;
    }
    ntfs_nonresident_header_s n;
    if (!read_struct(attr, 0, n) || n.mapping_pairs_offset >= attr.size)
        return false;
    out.lowest_vcn = n.lowest_vcn;
    out.data_size = n.data_size;
    return true;
}

} // namespace

own_summary_e summarize_own_attributes(byte_view_s record, uint64_t number, const record_header_info_s &header,
                                       ntfs_scan_record &out, std::vector<byte_view_s> &file_names)
{
    file_names.clear();
    ntfs_record_header_s head;
    if (!read_struct(record, 0, head))
        return own_summary_e::no_name;
    const size_t end = head.bytes_in_use < record.size ? head.bytes_in_use : record.size;
    const byte_view_s used = record.sub(0, end);
    // What summarize_record picks: the first Win32 or POSIX name, else the
    // first DOS one; the first resident $STANDARD_INFORMATION; the size of
    // the first unnamed $DATA that gives one.
    chosen_name_s name;
    bool named = false, have_times = false, have_size = false;
    ntfs_standard_information_s times{};
    uint64_t size = 0;
    for (size_t pos = head.attrs_offset; pos + 4 <= end;) {
        uint32_t type;
        memcpy(&type, record.data + pos, 4);
        if (type == ntfs_attr_end)
            break;
        ntfs_attr_header_s common;
        if (!read_struct(used, pos, common) || common.length < sizeof common || common.length % 8 != 0 ||
            common.length > end - pos)
            break;
        own_attribute_s a;
        if (!read_own(record.sub(pos, common.length), a))
            break;
        pos += common.length;
        ntfs_file_name_s fn;
        if (a.type == ntfs_attr_attribute_list)
            return own_summary_e::has_attribute_list;
        if (a.type == ntfs_attr_file_name && !a.non_resident && read_struct(a.value, 0, fn) &&
            a.value.covers(sizeof fn, 2u * fn.name_length)) {
            file_names.push_back(a.value);
            if (fn.name_length != 0 && !(named && (name.header.name_space != ntfs_namespace_dos ||
                                                   fn.name_space == ntfs_namespace_dos))) {
                name.header = fn;
                name.name = a.value.sub(sizeof fn, 2u * fn.name_length);
                named = true;
            }
        } else if (a.type == ntfs_attr_standard_information && !a.non_resident && !have_times) {
            have_times = read_struct(a.value, 0, times);
        } else if (a.type == ntfs_attr_data && a.unnamed && !have_size) {
            if (!a.non_resident || a.lowest_vcn == 0) {
                size = a.non_resident ? a.data_size : a.value.size;
                have_size = true;
            }
        }
    }
    if (!named)
        return own_summary_e::no_name;
    out.id = number;
    out.parent_id = name.header.parent_reference & ntfs_reference_mask;
    out.sequence = header.sequence;
    out.flags = (header.flags & ntfs_record_is_directory) ? ntfs_record_flag_directory : ntfs_record_flag_file;
    if (!(header.flags & ntfs_record_in_use))
        out.flags |= ntfs_record_flag_deleted;
    copy_record_name(out, name.name.data, name.name.size / 2);
    out.first_time = ntfs_time_to_unix(have_times ? times.modified : name.header.modified);
    out.second_time = ntfs_time_to_unix(have_times ? times.created : name.header.created);
    if (!(out.flags & ntfs_record_flag_directory))
        out.size = size;
    return own_summary_e::described;
}
