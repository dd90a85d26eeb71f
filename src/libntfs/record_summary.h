// Turns a file record's attributes into the scan's record description.
#pragma once

#include <vector>

#include "file_record.h"
#include "ntfs_scan.h"

// NTFS time (100 ns units since 1601) to seconds since 1970.
int64_t ntfs_time_to_unix(uint64_t ntfs_time);

// Sets the record's name from UTF-16 units, cut to 259 and zero-terminated.
void copy_record_name(ntfs_scan_record &out, const void *utf16, size_t units);

// What the scan reports of a record, taken from its attributes one at a
// time, so that a record is described in one walk over its bytes: its
// $FILE_NAME (name, parent; Win32 or POSIX name preferred over the DOS one),
// $STANDARD_INFORMATION (times) and unnamed $DATA (size), every name it
// holds, and whether it has an $I30 index allocation.
class record_summary_c {
public:
    // Forgets the last record; the lists keep their room.
    void clear();
    // The record's next attribute, in the order the record holds them.
    void add(const attribute_s &a);
    // Fills out for record number with that header; false when no usable
    // $FILE_NAME came.
    bool fill(uint64_t number, const record_header_info_s &header, ntfs_scan_record &out) const;

    // Every resident $FILE_NAME value: hard links and the short name too.
    const std::vector<byte_view_s> &file_names() const { return file_names_; }
    bool has_index_allocation() const { return index_allocation_; }

private:
    bool named_ = false;      // a name was chosen
    bool name_final_ = false; // and it is not the DOS one
    ntfs_file_name_s name_header_{};
    byte_view_s name_;
    bool timed_ = false;
    uint64_t modified_ = 0, created_ = 0;
    bool sized_ = false;
    uint64_t size_ = 0;
    std::vector<byte_view_s> file_names_;
    bool index_allocation_ = false;
};

// The same for a gathered record. False when it has no usable $FILE_NAME.
bool summarize_record(const file_record_s &record, ntfs_scan_record &out);
