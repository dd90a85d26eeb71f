// Small FAT12/16 volumes built byte by byte, so a test controls every entry:
// deleted names, broken long names, cleared or looping chains.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/block_device.h"

class fat_test_image_c {
public:
    // A superfloppy volume with 512-byte sectors, one reserved sector and two FATs.
    fat_test_image_c(int fat_bits, uint8_t cluster_sectors, uint32_t total_sectors, uint16_t root_entries = 512);

    std::vector<uint8_t> &bytes() { return bytes_; }
    uint32_t cluster_bytes() const { return cluster_sectors_ * 512u; }
    uint64_t cluster_offset(uint32_t cluster) const;
    uint64_t data_offset() const { return data_start_ * 512ull; }

    void set_fat(uint32_t cluster, uint32_t value);
    // Chains first .. first+count-1 and ends the chain.
    void chain(uint32_t first, uint32_t count);
    void fill(uint32_t cluster, uint32_t count, uint8_t value);

    // The 32-byte slot of directory dir (0: the root; else its first cluster,
    // slots running on through the following clusters).
    uint8_t *slot(uint32_t dir, uint32_t index);
    // A short entry; name11 is the 8+3 form, e.g. "FILE    TXT".
    void entry(uint32_t dir, uint32_t index, const char *name11, uint8_t attributes, uint32_t cluster, uint32_t size,
               uint16_t created_date = 0x5821, uint16_t created_time = 0);
    // Long-name pieces before the short entry; returns the short entry's index.
    uint32_t long_entry(uint32_t dir, uint32_t index, const std::u16string &name, const char *name11,
                        uint8_t attributes, uint32_t cluster, uint32_t size);

    std::shared_ptr<block_device_c> device() const;

private:
    int fat_bits_;
    uint8_t cluster_sectors_;
    uint32_t fat_sectors_ = 0;
    uint32_t root_sector_ = 0;
    uint32_t data_start_ = 0;
    std::vector<uint8_t> bytes_;
};
