// An NTFS volume opened for scanning: its geometry, the $MFT's own run list,
// and reads of records and streams through run lists.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "boot_sector.h"
#include "platform/block_device.h"
#include "run_list.h"

class ntfs_volume_c {
public:
    // Validates the boot sector (or, when it is not one, the backup copy in
    // the last sector), reads $MFT record 0 and maps the whole $MFT
    // (following its attribute list when it has one). Null and *error set on
    // failure: ntfs_error_short when the device ends before the $MFT. Once a
    // boot sector was read, *volume_bytes (when given) receives the size it
    // gives the volume, also when the open then fails.
    static std::unique_ptr<ntfs_volume_c> open(std::shared_ptr<block_device_c> device, int32_t *error,
                                               uint64_t *volume_bytes = nullptr);
    // A bare $MFT extract: records only, no data clusters behind them. The
    // record size comes from record 0.
    static std::unique_ptr<ntfs_volume_c> open_mft_file(std::shared_ptr<block_device_c> mft, int32_t *error);

    const ntfs_geometry_s &geometry() const { return geometry_; }
    uint64_t record_count() const { return record_count_; }
    // Where the $MFT lies, by vcn.
    const std::vector<run_s> &mft_runs() const { return mft_runs_; }
    // False for a bare $MFT extract: its run lists point at clusters we lack.
    bool has_data_clusters() const { return has_data_clusters_; }
    // The boot sector was read from the backup copy.
    bool backup_boot() const { return backup_boot_; }
    // Clusters from 0 up to the volume's end or the device's, whichever
    // comes first: a cut image holds fewer than the volume has.
    uint64_t held_clusters() const;

    // Reads count whole records from first on, without fixups. Returns an
    // ntfs_error_* code or ntfs_ok.
    int32_t read_raw_records(uint64_t first, size_t count, uint8_t *out);
    // Reads one record and applies its fixups; false when unreadable or damaged.
    bool read_record(uint64_t number, std::vector<uint8_t> &out);
    // Reads len bytes at offset of a stream mapped by runs (sorted by vcn);
    // sparse runs read as zeros. Returns an ntfs_error_* code or ntfs_ok.
    int32_t read_stream(const std::vector<run_s> &runs, uint64_t offset, uint8_t *out, size_t len);

private:
    ntfs_volume_c(std::shared_ptr<block_device_c> device, const ntfs_geometry_s &geometry);
    int32_t map_mft();

    std::shared_ptr<block_device_c> device_;
    ntfs_geometry_s geometry_;
    std::vector<run_s> mft_runs_;
    uint64_t record_count_ = 0;
    bool has_data_clusters_ = true;
    bool backup_boot_ = false;
};
