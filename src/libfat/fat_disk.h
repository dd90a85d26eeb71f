// The FAT reader's device layer: the opened volume it reads, with one mutex
// around every transfer (a preview and the writer may read the same volume
// at once). Sector numbers count from the volume's first byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/block_device.h"

// Device layer result codes.
enum fat_disk_result_e : int {
    disk_ok = 0,
    disk_error = 1,
    disk_not_ready = 3,
    disk_bad_parameter = 4,
};

class fat_disk_c {
public:
    // Larger transfers are refused rather than split.
    static constexpr size_t max_transfer_bytes = 65536;

    explicit fat_disk_c(std::shared_ptr<block_device_c> device);

    // Reads count sectors from first_sector into buffer (buffer_bytes long).
    int read(uint8_t *buffer, size_t buffer_bytes, uint64_t first_sector, uint8_t count);
    // Reads bytes (whole sectors) of file data from first_sector in one
    // transfer of any length: restores run at the speed of the disk, not of
    // the metadata window.
    int read_run(uint8_t *buffer, uint64_t first_sector, size_t bytes);
    uint32_t sector_size() const { return device_->sector_size(); }
    uint64_t size_bytes() const { return device_->size(); }

private:
    int transfer(uint8_t *buffer, uint64_t first_sector, size_t bytes);

    std::shared_ptr<block_device_c> device_;
    std::timed_mutex mutex_;
};
