// One MFT file record: fixups and the attributes it holds.
#pragma once

#include <cstdint>
#include <vector>

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

// Appends the record's well-formed attributes to out. Returns false when a
// malformed attribute ended the walk early (the ones before it are kept).
bool parse_attributes(byte_view_s record, std::vector<attribute_s> &out);
