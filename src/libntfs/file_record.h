// A file record together with the attributes of its extension records.
#pragma once

#include <cstdint>
#include <vector>

#include "mft_record.h"
#include "run_list.h"

class ntfs_volume_c;

struct file_record_s {
    uint64_t number = 0;
    record_header_info_s header;
    byte_view_s base;                             // fixups applied
    std::vector<uint8_t> own_base;                // base's bytes when read on its own
    std::vector<std::vector<uint8_t>> extensions; // records named by the attribute list
    std::vector<attribute_s> attributes;          // point into base and extensions
};

// Reads record number on its own into out.own_base, applies its fixups and
// points out.base at it; false when unreadable or damaged.
bool read_base_record(ntfs_volume_c &volume, uint64_t number, file_record_s &out);

// Parses the attributes of out.base (already read and fixed up) and, when it
// has an $ATTRIBUTE_LIST, of the extension records that belong to it. False
// when the base record's header is unreadable.
bool gather_attributes(ntfs_volume_c &volume, file_record_s &out);

// Reads record number and gathers its attributes; false when the record is
// unreadable, damaged, or itself an extension record.
bool load_file_record(ntfs_volume_c &volume, uint64_t number, file_record_s &out);

// Whether the attribute carries exactly this name (UTF-16LE bytes; empty for
// an unnamed attribute).
bool has_name(const attribute_s &a, byte_view_s name);

// The unnamed $DATA stream as it lies in the attributes.
struct data_stream_s {
    bool found = false;
    bool resident = false;
    byte_view_s value;       // resident data
    std::vector<run_s> runs; // non-resident, sorted by vcn
    uint16_t flags = 0;      // compressed, encrypted, sparse
    uint8_t compression_unit = 0;
    uint64_t data_size = 0;
    uint64_t initialized_size = 0;
    bool runs_damaged = false;
};

// Collects the unnamed $DATA stream, joining the run lists of its pieces.
data_stream_s find_data_stream(const std::vector<attribute_s> &attributes);
// The same for any attribute; name is UTF-16LE bytes, empty for unnamed.
data_stream_s find_stream(const std::vector<attribute_s> &attributes, uint32_t type, byte_view_s name);
