// The partition table of a disk: MBR (with its EBR chain) or GPT.
//
// Partitions are numbered the way the Linux kernel numbers them, so that
// partition N of an image matches /dev/sdXN of the same disk: MBR primaries
// by slot (1-4, the extended container included), logical partitions from 5
// in chain order, GPT entries by slot from 1. Damaged tables never throw:
// what can be read is returned and the rest is noted in `problems`. Entries
// that start past the end of the disk are kept (flagged past_end) so the table
// reads as written, but they hold no bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "block_device.h"

enum class partition_scheme_e { none, mbr, gpt };

using guid_bytes_t = std::array<uint8_t, 16>;

struct partition_entry_s {
    int number = 0;
    uint64_t first_sector = 0; // absolute LBA on the disk
    uint64_t sector_count = 0; // as stored
    uint64_t start_byte = 0;
    uint64_t length_bytes = 0; // cut to the end of the disk
    uint8_t mbr_type = 0;      // 0 on GPT
    guid_bytes_t gpt_type{};   // zero on MBR
    bool bootable = false;     // MBR status 0x80
    bool extended = false;     // MBR container of the EBR chain
    bool logical = false;      // inside the EBR chain
    bool truncated = false;    // declared to end past the disk
    bool past_end = false;     // starts past the end: kept for the record, length 0
};

struct partition_table_s {
    partition_scheme_e scheme = partition_scheme_e::none;
    uint32_t sector_size = 512;
    uint32_t disk_signature = 0;  // MBR
    guid_bytes_t disk_guid{};     // GPT
    bool gpt_from_backup = false; // primary GPT header or entries were damaged
    std::vector<partition_entry_s> partitions;
    std::vector<std::string> problems;
};

struct partition_read_options_s {
    // 0: the device's own logical sector size.
    uint32_t sector_size = 0;
    // Image files do not know their sector size: try 512 and 4096 and keep the
    // one under which the table's pointers land on real structures.
    bool guess_sector_size = false;
};

// Reads the table. False (with *error set) only when sector 0 cannot be read;
// a disk without a table gives scheme none and no partitions.
bool read_partition_table(block_device_c &device, partition_table_s &out, std::string *error = nullptr,
                          const partition_read_options_s &options = {});

// "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7": the mixed-endian text form of a GUID.
std::string format_guid(const guid_bytes_t &guid);
