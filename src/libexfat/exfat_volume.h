// An exFAT volume bound to the device it lives on: the boot region (the
// backup one when the main one is damaged), the FAT, the allocation bitmap
// and the up-case table, and the cluster runs a file's data lies in.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "exfat_boot.h"
#include "exfat_upcase.h"
#include "platform/block_device.h"

enum exfat_result_e : int {
    exfat_ok = 0,
    exfat_read_error = 1,
    exfat_no_file_system = 13,
};

struct exfat_run_s {
    uint32_t first = 0;
    uint32_t count = 0;
};

// Where a file's or folder's data lies, as far as the volume tells.
struct exfat_extent_s {
    std::vector<exfat_run_s> runs;
    uint64_t wanted = 0;      // clusters its data length needs
    bool outside = false;     // its first cluster is outside the heap
    bool cut = false;         // the runs hold fewer clusters than wanted
    bool chain_broken = false; // a FAT chain looped, left the heap or ended early

    uint64_t clusters() const;
};

class exfat_volume_c {
public:
    // Reads the boot region (the backup at sector 12 when the main one fails
    // its checksum or its checks), then the FAT geometry, the bitmap and the
    // up-case table from the root folder. exfat_ok, exfat_read_error or
    // exfat_no_file_system.
    int open(std::shared_ptr<block_device_c> device);

    const exfat_geometry_s &geometry() const { return geometry_; }
    bool backup_boot() const { return backup_boot_; }
    bool bitmap_loaded() const { return !bitmap_.empty(); }
    const exfat_upcase_c &upcase() const { return upcase_; }
    // What the user should know about how the volume was read; empty when
    // nothing was amiss.
    const std::vector<std::string> &notes() const { return notes_; }

    // Bytes at offset from the volume's start; false on a read error or past
    // the device's end.
    bool read(uint64_t offset, void *buffer, size_t len) const;
    uint64_t device_bytes() const { return device_ ? device_->size() : 0; }
    // The FAT entry of cluster (of the active FAT); 0xFFFFFFF7 (bad) when it
    // cannot be read.
    uint32_t fat_entry(uint32_t cluster);
    // Whether the bitmap marks cluster in use; clusters outside the heap and
    // any cluster when the bitmap could not be read count as in use.
    bool in_use(uint32_t cluster) const;
    uint64_t free_clusters() const;

    // Where data of data_length bytes from first_cluster lies. A stream
    // without a FAT chain is one run. A chained live one follows the FAT; a
    // chained deleted one follows it only while the chain is whole and lies
    // in free clusters, else it is read as one run.
    exfat_extent_s extent(uint32_t first_cluster, uint64_t data_length, bool no_fat_chain, bool deleted);
    // Follows the FAT from first for at most limit clusters; false when the
    // chain loops, leaves the heap or meets a free or bad entry first.
    bool follow_chain(uint32_t first, uint64_t limit, std::vector<exfat_run_s> &runs, bool &ended);
    // Reads the runs' clusters into out, at most max_bytes; false on a read error.
    bool read_runs(const std::vector<exfat_run_s> &runs, uint64_t max_bytes, std::vector<uint8_t> &out) const;

private:
    bool read_boot_region(uint64_t first_sector, uint32_t sector_bytes, exfat_geometry_s &g);
    void load_tables();

    std::shared_ptr<block_device_c> device_;
    exfat_geometry_s geometry_;
    bool backup_boot_ = false;
    std::vector<uint8_t> bitmap_;
    exfat_upcase_c upcase_;
    std::vector<std::string> notes_;
    std::mutex fat_lock_; // the scan and restores share the cached block
    std::vector<uint8_t> fat_block_;
    uint64_t fat_block_first_ = UINT64_MAX; // FAT entry index of the block's first entry
};
