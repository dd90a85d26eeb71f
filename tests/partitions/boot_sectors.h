// Boot sectors and disks for the partition search tests.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/block_device.h"

using test_sector_t = std::array<uint8_t, 512>;

inline test_sector_t ntfs_boot_sector(uint64_t total_sectors)
{
    test_sector_t s{};
    memcpy(s.data() + 3, "NTFS    ", 8);
    for (int i = 0; i < 8; ++i)
        s[40 + i] = static_cast<uint8_t>(total_sectors >> (8 * i));
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

inline test_sector_t fat32_boot_sector(uint32_t total_sectors, const char *oem = "MSWIN4.1")
{
    test_sector_t s{};
    memcpy(s.data() + 3, oem, strlen(oem));
    for (int i = 0; i < 4; ++i)
        s[32 + i] = static_cast<uint8_t>(total_sectors >> (8 * i));
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

// The FSInfo sector that follows a FAT32 boot sector ends in 55 AA too.
inline test_sector_t signed_sector()
{
    test_sector_t s{};
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

// A disk of any size that holds zeros except for the sectors put into it,
// and records every read it serves.
class sparse_disk_c : public block_device_c {
public:
    explicit sparse_disk_c(uint64_t size, uint32_t sector_size = 512, bool unbuffered = false)
        : size_(size), sector_size_(sector_size), unbuffered_(unbuffered)
    {}
    void put(uint64_t sector, const test_sector_t &bytes) { sectors_[sector] = bytes; }

    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        reads.push_back(offset);
        if (unbuffered_ &&
            (offset % sector_size_ || len % sector_size_ || reinterpret_cast<uintptr_t>(buffer) % sector_size_))
            return -1; // what O_DIRECT does with a misaligned transfer
        if (offset >= size_)
            return 0;
        size_t n = static_cast<size_t>(std::min<uint64_t>(len, size_ - offset));
        uint8_t *out = static_cast<uint8_t *>(buffer);
        memset(out, 0, n);
        for (auto it = sectors_.lower_bound(offset / 512); it != sectors_.end() && it->first * 512 < offset + n; ++it) {
            for (size_t i = 0; i < 512; ++i) {
                uint64_t at = it->first * 512 + i;
                if (at >= offset && at < offset + n)
                    out[at - offset] = it->second[i];
            }
        }
        return static_cast<int64_t>(n);
    }
    uint64_t size() const override { return size_; }
    uint32_t sector_size() const override { return sector_size_; }
    bool unbuffered() const override { return unbuffered_; }

    std::vector<uint64_t> reads; // byte offsets, in order

private:
    uint64_t size_;
    uint32_t sector_size_;
    bool unbuffered_;
    std::map<uint64_t, test_sector_t> sectors_;
};
