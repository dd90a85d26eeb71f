#include "mapped_memory.h"

#include <sys/mman.h>
#include <utility>

mapped_memory_c::mapped_memory_c(size_t size)
{
    if (size == 0)
        return;
    void *p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return;
    data_ = static_cast<uint8_t *>(p);
    size_ = size;
}

mapped_memory_c::~mapped_memory_c()
{
    if (data_)
        munmap(data_, size_);
}

mapped_memory_c::mapped_memory_c(mapped_memory_c &&other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{}

mapped_memory_c &mapped_memory_c::operator=(mapped_memory_c &&other) noexcept
{
    if (this != &other) {
        mapped_memory_c gone(std::move(*this));
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}
