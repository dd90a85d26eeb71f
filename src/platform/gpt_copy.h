// One copy of a GUID partition table, read whole so it can be written again
// (a damaged primary rebuilt from the backup, or the other way round).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "block_device.h"

struct gpt_copy_s {
    std::vector<uint8_t> header;  // the header's whole sector, as stored
    std::vector<uint8_t> entries; // entry_count * entry_size bytes
};

// Reads the header at lba and its entry array, checking both CRCs and that
// the header lies where it says and its array inside the disk; false when
// either is damaged.
bool read_gpt_copy(block_device_c &device, uint64_t lba, uint32_t sector_size, gpt_copy_s &out);

// The CRC-32 GPT headers and arrays carry.
uint32_t gpt_crc32(const uint8_t *data, size_t len);
