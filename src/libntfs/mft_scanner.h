// Walks the $MFT record by record and describes every base file record, then
// the names left only in directory index slack.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "cluster_bitmap.h"
#include "data_state.h"
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
    // The ntfs_data_* state of a deleted file described so far, now that
    // files written after it are known too; -1 when the scan reported no
    // mapped clusters for it (its reported state stands).
    int32_t final_data_state(uint64_t number);

private:
    // Record number's bytes, fixups applied in place in its batch (a torn
    // record's magic cleared); null when unreadable. Numbers must come in
    // order.
    uint8_t *fetch(uint64_t number);
    // The cluster bitmap, read when the first deleted file needs it; null
    // when it cannot be read.
    const cluster_bitmap_c *bitmap();

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
    std::vector<byte_view_s> file_names_; // of the record described last
    // Set by the reader when a batch came slower than a disk that seeks
    // for free gives it.
    std::atomic<bool> slow_reads_{false};
    index_trace_pass_c traces_;
    cluster_bitmap_c bitmap_;
    enum class bitmap_e { not_read, read, unreadable } bitmap_state_ = bitmap_e::not_read;
    std::vector<data_extent_s> deleted_extents_;
    std::unordered_map<uint64_t, data_usage_s> deleted_usage_;
    bool claims_counted_ = false;
};
