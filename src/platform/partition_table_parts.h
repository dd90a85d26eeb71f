// Internal pieces of the partition-table reader, shared by its MBR and GPT
// halves.
#pragma once

#include <vector>

#include "partition_table.h"

// Reads sector `lba` of `sector_size` bytes; false when it lies past the end
// or the read fails.
bool read_sector(block_device_c &device, uint64_t lba, uint32_t sector_size, std::vector<uint8_t> &out);

// Fills start_byte/length_bytes from the sector fields, cuts the length at
// the end of the disk and notes in `problems` what did not fit.
void place_partition(partition_table_s &table, partition_entry_s &entry, uint64_t device_size);

// A 512-byte-or-larger sector that ends its first 512 bytes with 55 AA and
// whose status bytes look like a partition table rather than boot code.
bool looks_like_mbr(const std::vector<uint8_t> &sector);
bool has_protective_entry(const std::vector<uint8_t> &sector);

void read_mbr_table(block_device_c &device, const std::vector<uint8_t> &sector0, partition_table_s &out);
// False when neither GPT header (primary nor backup) is valid.
bool read_gpt_table(block_device_c &device, partition_table_s &out);
bool has_gpt_signature(block_device_c &device, uint32_t sector_size);
