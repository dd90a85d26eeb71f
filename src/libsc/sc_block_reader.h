// Reads a device front to back in large blocks on its own thread, so the
// next block is on its way while the current one is searched.
#pragma once

#include <cstdint>

#include "platform/block_device.h"
#include "platform/read_ahead.h"

class sc_block_reader_c {
public:
    struct block_s {
        const uint8_t *data = nullptr;
        uint64_t start = 0;
        size_t len = 0;
    };

    sc_block_reader_c(block_device_c &device, size_t block_size, size_t slots = 3);

    // Hands out the next block and takes back the one handed out before.
    // False after the last block. A block the device cannot read comes back
    // as zeros, so one bad area does not end the scan.
    bool next(block_s &out);

private:
    size_t block_size_;
    read_ahead_c reader_;
};
