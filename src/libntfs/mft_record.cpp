#include "mft_record.h"

#include "ntfs_layout.h"

bool apply_fixups(uint8_t *record, size_t size, const char magic[4])
{
    // "FILE" records and "INDX" blocks share the first 8 header bytes.
    ntfs_index_block_s header;
    if (!read_struct(byte_view_s{record, size}, 0, header) || memcmp(header.magic, magic, 4) != 0)
        return false;
    if (header.usa_count < 2 || header.usa_offset % 2 != 0)
        return false;
    size_t strides = header.usa_count - 1u;
    if (size % strides != 0)
        return false;
    size_t stride = size / strides;
    if (stride < 256 || stride % 2 != 0)
        return false;
    size_t usa_end = header.usa_offset + 2u * header.usa_count;
    if (usa_end > stride - 2)
        return false;
    const uint8_t *usa = record + header.usa_offset;
    for (size_t i = 0; i < strides; ++i) {
        uint8_t *tail = record + (i + 1) * stride - 2;
        if (tail[0] != usa[0] || tail[1] != usa[1])
            return false;
        tail[0] = usa[2 + 2 * i];
        tail[1] = usa[3 + 2 * i];
    }
    return true;
}

bool read_record_header(byte_view_s record, record_header_info_s &out)
{
    ntfs_record_header_s header;
    if (!read_struct(record, 0, header) || memcmp(header.magic, "FILE", 4) != 0)
        return false;
    out.flags = header.flags;
    out.sequence = header.sequence;
    out.base_record = header.base_record & ntfs_reference_mask;
    return true;
}

namespace {

bool parse_one(byte_view_s attr, attribute_s &out)
{
    ntfs_attr_header_s common;
    read_struct(attr, 0, common);
    out.type = common.type;
    out.flags = common.flags;
    out.non_resident = common.non_resident != 0;
    out.unnamed = common.name_length == 0;
    if (common.name_length) {
        if (!attr.covers(common.name_offset, 2u * common.name_length))
            return false;
        out.name = attr.sub(common.name_offset, 2u * common.name_length);
    }
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
    out.highest_vcn = n.highest_vcn;
    out.mapping_pairs = attr.sub(n.mapping_pairs_offset, attr.size - n.mapping_pairs_offset);
    out.compression_unit = n.compression_unit;
    out.allocated_size = n.allocated_size;
    out.data_size = n.data_size;
    out.initialized_size = n.initialized_size;
    return true;
}

} // namespace

bool parse_attributes(byte_view_s record, std::vector<attribute_s> &out)
{
    ntfs_record_header_s header;
    if (!read_struct(record, 0, header))
        return false;
    size_t end = header.bytes_in_use < record.size ? header.bytes_in_use : record.size;
    size_t pos = header.attrs_offset;
    while (pos + 4 <= end) {
        uint32_t type;
        memcpy(&type, record.data + pos, 4);
        if (type == ntfs_attr_end)
            return true;
        ntfs_attr_header_s common;
        if (!read_struct(record.sub(0, end), pos, common) || common.length < sizeof common || common.length % 8 != 0 ||
            common.length > end - pos)
            return false;
        // Parsed in place: copying each one in costs more than the parse.
        if (!parse_one(record.sub(pos, common.length), out.emplace_back())) {
            out.pop_back();
            return false;
        }
        pos += common.length;
    }
    return false; // no end marker inside the used bytes
}
