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

// An NTFS boot sector of 512-byte sectors, one per cluster, its MFT at cluster 2.
inline test_sector_t ntfs_boot_sector(uint64_t total_sectors)
{
    test_sector_t s{};
    memcpy(s.data(), "\xEB\x52\x90NTFS    ", 11);
    s[11] = 0x00; // 512 bytes per sector
    s[12] = 0x02;
    s[13] = 1;    // sectors per cluster
    s[21] = 0xF8;
    for (int i = 0; i < 8; ++i)
        s[40 + i] = static_cast<uint8_t>(total_sectors >> (8 * i));
    s[48] = 2;    // MFT cluster
    s[64] = 0xF6; // 1024-byte records
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

// A FAT32 boot sector of 512-byte sectors, one per cluster, 32 reserved
// sectors and two FATs sized for the volume; FAT32 needs 65526 clusters.
inline test_sector_t fat32_boot_sector(uint32_t total_sectors)
{
    test_sector_t s{};
    memcpy(s.data(), "\xEB\x58\x90mkfs.fat", 11);
    s[12] = 0x02; // 512 bytes per sector
    s[13] = 1;
    s[14] = 32; // reserved
    s[16] = 2;  // FATs
    s[21] = 0xF8;
    const uint32_t fat_sectors = (total_sectors + 2) * 4 / 512 + 1;
    for (int i = 0; i < 4; ++i) {
        s[32 + i] = static_cast<uint8_t>(total_sectors >> (8 * i));
        s[36 + i] = static_cast<uint8_t>(fat_sectors >> (8 * i));
    }
    s[44] = 2; // root cluster
    s[48] = 1; // FSInfo
    s[50] = 6; // backup boot sector
    memcpy(s.data() + 82, "FAT32   ", 8);
    s[510] = 0x55;
    s[511] = 0xAA;
    return s;
}

// The start of the first FAT: the media byte, then all ones.
inline test_sector_t fat_first_sector()
{
    test_sector_t s{};
    const uint8_t entries[8] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F};
    memcpy(s.data(), entries, sizeof entries);
    return s;
}

// Puts what marks a FAT32 volume of total sectors at sector `at`: its boot
// sector and the first sector of its FAT.
template <class Put> void put_fat32_volume(Put put, uint64_t at, uint32_t total)
{
    put(at, fat32_boot_sector(total));
    put(at + 32, fat_first_sector());
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
