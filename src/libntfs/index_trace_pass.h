// The last part of a scan: once every MFT record has been described, the
// slack of each directory's index is searched for names that no record
// describes any more. Such a name is reported as a deleted entry with an id
// past the last record number: no record holds its data map, so only the
// name, its folder, size and times are left of it.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "file_record.h"
#include "hash_key_set.h"
#include "index_trace_finder.h"
#include "index_traces.h"
#include "ntfs_scan.h"
#include "ntfs_volume.h"

class index_trace_pass_c {
public:
    // slow_reads: set once the device turns out to read slowly (see
    // index_trace_finder_c).
    index_trace_pass_c(ntfs_volume_c &volume, uint64_t record_count, const std::atomic<bool> &slow_reads);

    // Every record read during the walk, so that a trace's file reference can
    // be checked against what its record holds now.
    void note_header(uint64_t number, const record_header_info_s &header);
    // Every record described: its names are known, and a directory with an
    // index allocation is searched (beside the walk).
    void note_described(const file_record_s &record);
    // A record described from its own attributes (no directory): the values
    // of its $FILE_NAME attributes.
    void note_names(const std::vector<byte_view_s> &file_name_values);

    // Once the walk is over: fills out (zeroed by the caller) with the next
    // name found only in index slack; false when every directory is done.
    bool next(ntfs_scan_record &out);

private:
    enum class slot_e : uint8_t { unknown, in_use, free };

    // The file the reference names still has a record that describes it.
    bool described_by_record(uint64_t reference) const;
    // The same, asked by the finder during the walk: only records the walk
    // has passed are known.
    bool described_by_record_walked(uint64_t reference) const;
    // The trace's file still has a record that describes it, or the same
    // name in the same folder was reported already.
    bool already_described(const index_trace_s &trace, uint64_t directory);
    // Once the last directory is done nothing is looked up any more, and
    // the scan may stay open for long to restore files.
    void release();

    ntfs_volume_c &volume_;
    std::vector<slot_e> slots_;
    std::vector<uint16_t> sequences_;
    std::atomic<uint64_t> walked_{0}; // records below this number are noted
    std::vector<uint64_t> names_seen_; // during the walk
    std::vector<byte_view_s> file_name_values_;
    hash_key_set_c name_keys_;         // names_seen_, once a trace needs them
    hash_key_set_c reported_;
    size_t next_directory_ = 0;
    uint64_t current_directory_ = 0;
    std::vector<index_trace_s> traces_;
    size_t next_trace_ = 0;
    uint64_t next_id_ = 0;
    // Last: it stops before what it asks of goes.
    index_trace_finder_c finder_;
};
