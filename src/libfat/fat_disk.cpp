#include "fat_disk.h"

#include <chrono>

fat_disk_c::fat_disk_c(std::shared_ptr<block_device_c> device) : device_(std::move(device)) {}

int fat_disk_c::read(uint8_t *buffer, size_t buffer_bytes, uint64_t first_sector, uint8_t count)
{
    const size_t bytes = size_t{count} * sector_size();
    if (bytes > max_transfer_bytes || bytes > buffer_bytes)
        return disk_bad_parameter;
    return transfer(buffer, first_sector, bytes);
}

int fat_disk_c::read_run(uint8_t *buffer, uint64_t first_sector, size_t bytes)
{
    if (sector_size() == 0 || bytes % sector_size() != 0)
        return disk_bad_parameter;
    return transfer(buffer, first_sector, bytes);
}

int fat_disk_c::transfer(uint8_t *buffer, uint64_t first_sector, size_t bytes)
{
    const uint32_t bytes_per_sector = sector_size();
    if (bytes_per_sector == 0 || first_sector > UINT64_MAX / bytes_per_sector)
        return disk_error;
    std::unique_lock<std::timed_mutex> lock(mutex_, std::chrono::milliseconds(3000));
    if (!lock.owns_lock())
        return disk_not_ready;
    return device_->read_exact(first_sector * bytes_per_sector, buffer, bytes) ? disk_ok : disk_error;
}
