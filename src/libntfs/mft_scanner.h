// Walks the $MFT record by record and describes every base file record, then
// the names left only in directory index slack.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "file_record.h"
#include "index_trace_pass.h"
#include "ntfs_scan.h"
#include "ntfs_volume.h"
#include "platform/read_ahead.h"

class mft_scanner_c {
public:
    explicit mft_scanner_c(std::unique_ptr<ntfs_volume_c> volume);

    // Fills out (zeroed by the caller) with the next base record that has a
    // name, in use or not. Unused slots, damaged records (bad fixups) and
    // extension records are passed over. After the last record come the
    // index slack traces; false once those are done too.
    bool next(ntfs_scan_record &out);

    ntfs_volume_c &volume() { return *volume_; }
    uint64_t in_use_examined() const { return in_use_examined_; }
    uint64_t others_examined() const { return others_examined_; }

private:
    // Record number's bytes, fixups applied in place in its batch (a torn
    // record's magic cleared); null when unreadable. Numbers must come in
    // order.
    uint8_t *fetch(uint64_t number);

    std::unique_ptr<ntfs_volume_c> volume_;
    uint64_t batch_records_;
    // Reads the next batch while this one is parsed; gone once the walk is
    // over, and stopped before the volume goes.
    std::unique_ptr<read_ahead_c> batches_;
    read_ahead_c::block_s batch_;
    uint64_t next_ = 0;
    uint64_t in_use_examined_ = 0;
    uint64_t others_examined_ = 0;
    file_record_s record_;
    index_trace_pass_c traces_;
};
