// Fills numbered blocks front to back on its own thread, so the next block is
// on its way while the caller works on the current one.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "mapped_memory.h"

class read_ahead_c {
public:
    struct block_s {
        uint8_t *data = nullptr; // the caller's until its next call to next()
        uint64_t index = 0;
        int64_t len = 0; // -1: the block could not be read
    };
    // Puts block index's bytes into buffer (block_size bytes, page-aligned for
    // unbuffered reads) and returns how many, or -1 when they cannot be read.
    // A block shorter than block_size is the last one. Runs on the reader
    // thread.
    using fill_f = std::function<int64_t(uint64_t index, uint8_t *buffer)>;

    read_ahead_c(size_t block_size, uint64_t blocks, fill_f fill, size_t slots = 3);
    // Stops the reader thread, also in the middle of the blocks.
    ~read_ahead_c();
    read_ahead_c(const read_ahead_c &) = delete;
    read_ahead_c &operator=(const read_ahead_c &) = delete;

    // Hands out the next block and takes back the one handed out before.
    // False after the last block, and early when there is no memory for
    // a block.
    bool next(block_s &out);

private:
    void run();

    size_t block_size_;
    uint64_t blocks_;
    fill_f fill_;
    std::vector<mapped_memory_c> buffers_; // per slot, mapped by the reader thread on first use
    std::vector<block_s> filled_;          // per slot
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t free_ = 0, ready_ = 0, write_slot_ = 0, read_slot_ = 0;
    bool holding_ = false, finished_ = false, quitting_ = false;
    std::thread thread_;
};
