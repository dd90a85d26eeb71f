// Positioned access to a disk, a volume or an image file.
//
// Everything that reads disk data goes through block_device_c, so engines,
// the partition search and the tests run the same way on a block device, on
// an image file and on bytes held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class open_mode_e {
    read,            // buffered read-only access (the default everywhere)
    read_unbuffered, // O_DIRECT where the device allows it; callers use aligned_buffer_c
    read_write,      // only for the partition-table repair
};

class block_device_c {
public:
    virtual ~block_device_c() = default;

    // Reads up to len bytes at offset. Returns the number of bytes read, which
    // is short only at the end of the device, or -1 on an I/O error.
    virtual int64_t read_at(uint64_t offset, void *buffer, size_t len) = 0;
    // Writes len bytes at offset; -1 unless the device was opened read_write.
    virtual int64_t write_at(uint64_t offset, const void *buffer, size_t len);

    virtual uint64_t size() const = 0;
    // Logical sector size (512 for images and memory devices unless told otherwise).
    virtual uint32_t sector_size() const = 0;
    // True when reads must use sector-aligned buffers, offsets and lengths.
    virtual bool unbuffered() const { return false; }

    // Reads exactly len bytes; false on an error or a short read.
    bool read_exact(uint64_t offset, void *buffer, size_t len);
};

// Opens a block device node or a regular (image) file. Returns null and sets
// *error (when given) to a readable reason on failure.
std::unique_ptr<block_device_c> open_block_device(const std::string &path, open_mode_e mode,
                                                  std::string *error = nullptr);

// A device over bytes held in memory (tests, fuzzing).
class memory_device_c : public block_device_c {
public:
    explicit memory_device_c(std::vector<uint8_t> bytes, uint32_t sector_size = 512);
    memory_device_c(const uint8_t *data, size_t len, uint32_t sector_size = 512);
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override;
    int64_t write_at(uint64_t offset, const void *buffer, size_t len) override;
    uint64_t size() const override { return bytes_.size(); }
    uint32_t sector_size() const override { return sector_size_; }
    std::vector<uint8_t> &bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    uint32_t sector_size_;
};

// A window [offset, offset + length) of another device: a volume inside a disk.
class slice_device_c : public block_device_c {
public:
    slice_device_c(std::shared_ptr<block_device_c> base, uint64_t offset, uint64_t length);
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override;
    int64_t write_at(uint64_t offset, const void *buffer, size_t len) override;
    uint64_t size() const override { return length_; }
    uint32_t sector_size() const override { return base_->sector_size(); }
    bool unbuffered() const override { return base_->unbuffered(); }
    uint64_t base_offset() const { return offset_; }

private:
    size_t clamp(uint64_t offset, size_t len) const;
    std::shared_ptr<block_device_c> base_;
    uint64_t offset_;
    uint64_t length_;
};

// A heap buffer aligned for unbuffered transfers.
class aligned_buffer_c {
public:
    explicit aligned_buffer_c(size_t size, size_t alignment = 4096);
    ~aligned_buffer_c();
    aligned_buffer_c(const aligned_buffer_c &) = delete;
    aligned_buffer_c &operator=(const aligned_buffer_c &) = delete;
    uint8_t *data() { return data_; }
    const uint8_t *data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t *data_ = nullptr;
    size_t size_ = 0;
};
