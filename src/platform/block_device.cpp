#include "block_device.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

int64_t block_device_c::write_at(uint64_t, const void *, size_t)
{
    return -1;
}

bool block_device_c::read_exact(uint64_t offset, void *buffer, size_t len)
{
    return read_at(offset, buffer, len) == static_cast<int64_t>(len);
}

memory_device_c::memory_device_c(std::vector<uint8_t> bytes, uint32_t sector_size)
    : bytes_(std::move(bytes)), sector_size_(sector_size)
{}

memory_device_c::memory_device_c(const uint8_t *data, size_t len, uint32_t sector_size)
    : bytes_(data, data + len), sector_size_(sector_size)
{}

int64_t memory_device_c::read_at(uint64_t offset, void *buffer, size_t len)
{
    if (offset >= bytes_.size())
        return 0;
    size_t n = std::min<uint64_t>(len, bytes_.size() - offset);
    memcpy(buffer, bytes_.data() + offset, n);
    return static_cast<int64_t>(n);
}

int64_t memory_device_c::write_at(uint64_t offset, const void *buffer, size_t len)
{
    if (offset > bytes_.size() || len > bytes_.size() - offset)
        return -1;
    memcpy(bytes_.data() + offset, buffer, len);
    return static_cast<int64_t>(len);
}

slice_device_c::slice_device_c(std::shared_ptr<block_device_c> base, uint64_t offset, uint64_t length)
    : base_(std::move(base)), offset_(offset), length_(length)
{}

size_t slice_device_c::clamp(uint64_t offset, size_t len) const
{
    if (offset >= length_)
        return 0;
    return static_cast<size_t>(std::min<uint64_t>(len, length_ - offset));
}

int64_t slice_device_c::read_at(uint64_t offset, void *buffer, size_t len)
{
    size_t n = clamp(offset, len);
    if (n == 0)
        return 0;
    return base_->read_at(offset_ + offset, buffer, n);
}

int64_t slice_device_c::write_at(uint64_t offset, const void *buffer, size_t len)
{
    if (clamp(offset, len) != len)
        return -1;
    return base_->write_at(offset_ + offset, buffer, len);
}

aligned_buffer_c::aligned_buffer_c(size_t size, size_t alignment) : size_(size)
{
    void *p = nullptr;
    if (posix_memalign(&p, alignment, size ? size : alignment) == 0) {
        data_ = static_cast<uint8_t *>(p);
        memset(data_, 0, size);
    } else {
        size_ = 0;
    }
}

aligned_buffer_c::~aligned_buffer_c()
{
    free(data_);
}
