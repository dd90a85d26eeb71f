// One MFT file record: fixups and the attributes it holds.
#pragma once

#include <cstdint>
#include <vector>

#include "ntfs_layout.h"
#include "platform/le_bytes.h"

// One attribute of a record, pointing into the record's bytes.
struct attribute_s {
    uint32_t type = 0;
    uint16_t flags = 0;
    bool non_resident = false;
    bool unnamed = true;
    byte_view_s name; // UTF-16LE bytes
    // Resident attributes.
    byte_view_s value;
    // Non-resident attributes.
    uint64_t lowest_vcn = 0;
    uint64_t highest_vcn = 0;
    byte_view_s mapping_pairs;
    uint8_t compression_unit = 0;
    uint64_t allocated_size = 0;
    uint64_t data_size = 0;
    uint64_t initialized_size = 0;
};

struct record_header_info_s {
    uint16_t flags = 0; // ntfs_record_in_use, ntfs_record_is_directory
    uint16_t sequence = 0;
    uint64_t base_record = 0; // record number of the base record, 0 for a base record
};

// Checks the header's magic ("FILE" for a file record, "INDX" for an index
// block) and applies the update-sequence fixups in place. False when the
// magic differs or a stride's check value does not match (a torn or damaged
// record that must not be trusted).
bool apply_fixups(uint8_t *record, size_t size, const char magic[4] = "FILE");

// Reads the header of a record whose fixups were applied.
bool read_record_header(byte_view_s record, record_header_info_s &out);

// Reads the attribute that fills attr (its length already checked against
// the record); false when it is malformed.
bool parse_attribute(byte_view_s attr, attribute_s &out);

// Hands each well-formed attribute of the record to visit, in order, without
// keeping them. Returns false when a malformed attribute ended the walk early
// (the ones before it were visited).
template <class Visit> bool walk_attributes(byte_view_s record, Visit &&visit)
{
    ntfs_record_header_s header;
    if (!read_struct(record, 0, header))
        return false;
    const size_t end = header.bytes_in_use < record.size ? header.bytes_in_use : record.size;
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
        attribute_s attribute;
        if (!parse_attribute(record.sub(pos, common.length), attribute))
            return false;
        visit(static_cast<const attribute_s &>(attribute));
        pos += common.length;
    }
    return false; // no end marker inside the used bytes
}

// Appends the record's well-formed attributes to out; the same walk.
bool parse_attributes(byte_view_s record, std::vector<attribute_s> &out);
