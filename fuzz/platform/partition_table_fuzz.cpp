// Partition tables from arbitrary bytes: MBR, EBR chains and GPT, with the
// sector size guessed and with 4096-byte sectors imposed.
#include <cstddef>
#include <cstdint>

#include "platform/partition_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    memory_device_c device(data, size);
    partition_table_s table;
    partition_read_options_s options;
    options.guess_sector_size = true;
    read_partition_table(device, table, nullptr, options);
    for (const partition_entry_s &p : table.partitions)
        if (!p.past_end && p.start_byte + p.length_bytes > size)
            __builtin_trap(); // a partition must never reach past the disk

    memory_device_c big_sectors(data, size, 4096);
    read_partition_table(big_sectors, table);
    return 0;
}
