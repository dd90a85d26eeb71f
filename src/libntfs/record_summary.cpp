#include "record_summary.h"

#include "index_traces.h"
#include "ntfs_layout.h"

int64_t ntfs_time_to_unix(uint64_t ntfs_time)
{
    constexpr int64_t seconds_1601_to_1970 = 11644473600;
    return static_cast<int64_t>(ntfs_time / 10000000u) - seconds_1601_to_1970;
}

void copy_record_name(ntfs_scan_record &out, const void *utf16, size_t units)
{
    const size_t kept = units < 259 ? units : 259;
    memcpy(out.name, utf16, kept * 2);
    out.name[kept] = 0;
}

void record_summary_c::clear()
{
    named_ = name_final_ = timed_ = sized_ = index_allocation_ = false;
    size_ = 0;
    file_names_.clear();
}

void record_summary_c::add(const attribute_s &a)
{
    switch (a.type) {
    case ntfs_attr_standard_information: {
        ntfs_standard_information_s si;
        if (!timed_ && !a.non_resident && read_struct(a.value, 0, si)) {
            modified_ = si.modified;
            created_ = si.created;
            timed_ = true;
        }
        break;
    }
    case ntfs_attr_file_name: {
        ntfs_file_name_s fn;
        if (a.non_resident || !read_struct(a.value, 0, fn) || !a.value.covers(sizeof fn, 2u * fn.name_length))
            break;
        file_names_.push_back(a.value);
        // The first Win32 or POSIX name; the DOS one only when there is none.
        if (name_final_ || fn.name_length == 0 || (named_ && fn.name_space == ntfs_namespace_dos))
            break;
        name_header_ = fn;
        name_ = a.value.sub(sizeof fn, 2u * fn.name_length);
        named_ = true;
        name_final_ = fn.name_space != ntfs_namespace_dos;
        break;
    }
    case ntfs_attr_data:
        // The unnamed stream's size, without decoding its run list.
        if (!sized_ && a.unnamed && (!a.non_resident || a.lowest_vcn == 0)) {
            size_ = a.non_resident ? a.data_size : a.value.size;
            sized_ = true;
        }
        break;
    case ntfs_attr_index_allocation:
        index_allocation_ = index_allocation_ || is_i30_allocation(a);
        break;
    default:
        break;
    }
}

bool record_summary_c::fill(uint64_t number, const record_header_info_s &header, ntfs_scan_record &out) const
{
    if (!named_)
        return false;
    out.id = number;
    out.parent_id = name_header_.parent_reference & ntfs_reference_mask;
    out.sequence = header.sequence;
    out.flags = (header.flags & ntfs_record_is_directory) ? ntfs_record_flag_directory : ntfs_record_flag_file;
    if (!(header.flags & ntfs_record_in_use))
        out.flags |= ntfs_record_flag_deleted;
    copy_record_name(out, name_.data, name_.size / 2);
    out.first_time = ntfs_time_to_unix(timed_ ? modified_ : name_header_.modified);
    out.second_time = ntfs_time_to_unix(timed_ ? created_ : name_header_.created);
    if (!(out.flags & ntfs_record_flag_directory))
        out.size = size_;
    return true;
}

bool summarize_record(const file_record_s &record, ntfs_scan_record &out)
{
    record_summary_c summary;
    for (const attribute_s &a : record.attributes)
        summary.add(a);
    return summary.fill(record.number, record.header, out);
}
