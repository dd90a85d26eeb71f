// Turns a gathered file record into the scan's record description.
#pragma once

#include "file_record.h"
#include "ntfs_layout.h"
#include "ntfs_scan.h"

// A record's $FILE_NAME: its header and its UTF-16LE name bytes.
struct chosen_name_s {
    ntfs_file_name_s header{};
    byte_view_s name;
};

// The record's name, the Win32 or POSIX one preferred over the DOS one;
// false when it has none that is well formed.
bool pick_file_name(const std::vector<attribute_s> &attributes, chosen_name_s &out);

// NTFS time (100 ns units since 1601) to seconds since 1970.
int64_t ntfs_time_to_unix(uint64_t ntfs_time);

// Sets the record's name from UTF-16 units, cut to 259 (or at a zero unit)
// and zero-terminated: nothing past the terminator is written.
void copy_record_name(ntfs_scan_record &out, const void *utf16, size_t units);

// Fills out from the record's $FILE_NAME (name, parent; Win32 or POSIX name
// preferred over the DOS one), $STANDARD_INFORMATION (times) and unnamed
// $DATA (size). False when the record has no usable $FILE_NAME.
bool summarize_record(const file_record_s &record, ntfs_scan_record &out);
