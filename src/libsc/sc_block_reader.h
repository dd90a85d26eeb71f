// Reads a device front to back in large blocks on its own thread, so the
// next block is on its way while the current one is searched.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/block_device.h"

class sc_block_reader_c {
public:
    struct block_s {
        const uint8_t *data = nullptr;
        uint64_t start = 0;
        size_t len = 0;
    };

    sc_block_reader_c(block_device_c &device, size_t block_size, size_t slots = 3);
    ~sc_block_reader_c();
    sc_block_reader_c(const sc_block_reader_c &) = delete;
    sc_block_reader_c &operator=(const sc_block_reader_c &) = delete;

    // Hands out the next block and takes back the one handed out before.
    // False after the last block. A block the device cannot read comes back
    // as zeros, so one bad area does not end the scan.
    bool next(block_s &out);

private:
    void run();

    block_device_c &device_;
    size_t block_size_;
    std::vector<std::unique_ptr<aligned_buffer_c>> buffers_;  // per slot, touched by the reader thread only
    std::vector<block_s> filled_;   // per slot
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t free_ = 0, ready_ = 0, write_slot_ = 0, read_slot_ = 0;
    bool holding_ = false, finished_ = false, quitting_ = false;
    std::thread thread_;
};
