// Zeroed memory mapped straight from the system. Large buffers and tables
// that live for one pass of a scan go back to it when freed, whatever malloc
// would have kept of them.
#pragma once

#include <cstddef>
#include <cstdint>

class mapped_memory_c {
public:
    mapped_memory_c() = default;
    // Page-aligned; empty when the system refuses.
    explicit mapped_memory_c(size_t size);
    ~mapped_memory_c();
    mapped_memory_c(mapped_memory_c &&other) noexcept;
    mapped_memory_c &operator=(mapped_memory_c &&other) noexcept;
    mapped_memory_c(const mapped_memory_c &) = delete;
    mapped_memory_c &operator=(const mapped_memory_c &) = delete;

    uint8_t *data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t *data_ = nullptr;
    size_t size_ = 0;
};
