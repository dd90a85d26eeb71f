#include "own_record_summary.h"

#include "ntfs_layout.h"
#include "record_summary.h"

// Fields are read where they lie, by parse_attributes' rules and with its
// bounds checked in the same order.
own_summary_e summarize_own_attributes(byte_view_s record, uint64_t number, const record_header_info_s &header,
                                       ntfs_scan_record &out, std::vector<byte_view_s> &file_names)
{
    file_names.clear();
    if (record.size < sizeof(ntfs_record_header_s))
        return own_summary_e::no_name;
    const uint8_t *base = record.data;
    const uint32_t in_use = le32_at(base + offsetof(ntfs_record_header_s, bytes_in_use));
    const size_t end = in_use < record.size ? in_use : record.size;
    // What summarize_record picks: the first Win32 or POSIX name, else the
    // first DOS one; the first resident $STANDARD_INFORMATION; the size of
    // the first unnamed $DATA that gives one.
    const uint8_t *name = nullptr; // the chosen $FILE_NAME value
    bool have_times = false, have_size = false;
    uint64_t created = 0, modified = 0, size = 0;
    for (size_t pos = le16_at(base + offsetof(ntfs_record_header_s, attrs_offset)); pos + 4 <= end;) {
        const uint8_t *attr = base + pos;
        const uint32_t type = le32_at(attr);
        if (type == ntfs_attr_end || pos + sizeof(ntfs_attr_header_s) > end)
            break;
        const uint32_t length = le32_at(attr + 4);
        if (length < sizeof(ntfs_attr_header_s) || length % 8 != 0 || length > end - pos)
            break;
        const bool non_resident = attr[8] != 0;
        const uint8_t name_units = attr[9];
        const byte_view_s whole{attr, length};
        if (name_units && !whole.covers(le16_at(attr + 10), 2u * name_units))
            break;
        pos += length;
        if (non_resident) {
            if (length < sizeof(ntfs_nonresident_header_s) ||
                le16_at(attr + offsetof(ntfs_nonresident_header_s, mapping_pairs_offset)) >= length)
                break;
            if (type == ntfs_attr_attribute_list)
                return own_summary_e::has_attribute_list;
            if (type == ntfs_attr_data && name_units == 0 && !have_size &&
                le64_at(attr + offsetof(ntfs_nonresident_header_s, lowest_vcn)) == 0) {
                size = le64_at(attr + offsetof(ntfs_nonresident_header_s, data_size));
                have_size = true;
            }
            continue;
        }
        if (length < sizeof(ntfs_resident_header_s))
            break;
        const uint32_t value_size = le32_at(attr + offsetof(ntfs_resident_header_s, value_length));
        const uint16_t value_at = le16_at(attr + offsetof(ntfs_resident_header_s, value_offset));
        if (!whole.covers(value_at, value_size))
            break;
        const uint8_t *value = attr + value_at;
        if (type == ntfs_attr_attribute_list)
            return own_summary_e::has_attribute_list;
        if (type == ntfs_attr_file_name && value_size >= sizeof(ntfs_file_name_s)) {
            const uint8_t units = value[offsetof(ntfs_file_name_s, name_length)];
            if (value_size - sizeof(ntfs_file_name_s) < 2u * units)
                continue;
            file_names.push_back({value, value_size});
            const bool dos = value[offsetof(ntfs_file_name_s, name_space)] == ntfs_namespace_dos;
            const bool chosen_dos = name && name[offsetof(ntfs_file_name_s, name_space)] == ntfs_namespace_dos;
            if (units != 0 && (!name || (chosen_dos && !dos)))
                name = value;
        } else if (type == ntfs_attr_standard_information && !have_times &&
                   value_size >= sizeof(ntfs_standard_information_s)) {
            created = le64_at(value + offsetof(ntfs_standard_information_s, created));
            modified = le64_at(value + offsetof(ntfs_standard_information_s, modified));
            have_times = true;
        } else if (type == ntfs_attr_data && name_units == 0 && !have_size) {
            size = value_size;
            have_size = true;
        }
    }
    if (!name)
        return own_summary_e::no_name;
    out.id = number;
    out.parent_id = le64_at(name + offsetof(ntfs_file_name_s, parent_reference)) & ntfs_reference_mask;
    out.sequence = header.sequence;
    out.flags = (header.flags & ntfs_record_is_directory) ? ntfs_record_flag_directory : ntfs_record_flag_file;
    if (!(header.flags & ntfs_record_in_use))
        out.flags |= ntfs_record_flag_deleted;
    copy_record_name(out, name + sizeof(ntfs_file_name_s), name[offsetof(ntfs_file_name_s, name_length)]);
    if (!have_times) {
        created = le64_at(name + offsetof(ntfs_file_name_s, created));
        modified = le64_at(name + offsetof(ntfs_file_name_s, modified));
    }
    out.first_time = ntfs_time_to_unix(modified);
    out.second_time = ntfs_time_to_unix(created);
    if (!(out.flags & ntfs_record_flag_directory))
        out.size = size;
    return own_summary_e::described;
}
