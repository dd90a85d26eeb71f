// What summarize_record gives, read in one pass over a base record's own
// attributes without building their list: most records of a volume are
// files in use, which the scan describes and nothing more.
#pragma once

#include <cstdint>
#include <vector>

#include "mft_record.h"
#include "ntfs_scan.h"

enum class own_summary_e {
    described,          // out filled as summarize_record fills it
    no_name,            // summarize_record would find no usable $FILE_NAME
    has_attribute_list, // attributes lie in other records too: out untouched
};

// The attributes are read by parse_attributes' rules (the walk stops at the
// first malformed one). file_names receives each resident $FILE_NAME value
// whose name fits, as note_names takes them.
own_summary_e summarize_own_attributes(byte_view_s record, uint64_t number, const record_header_info_s &header,
                                       ntfs_scan_record &out, std::vector<byte_view_s> &file_names);
