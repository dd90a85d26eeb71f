#include "sc_block_reader.h"

#include <algorithm>
#include <cstring>

sc_block_reader_c::sc_block_reader_c(block_device_c &device, size_t block_size, size_t slots)
    : device_(device), block_size_(block_size), buffers_(slots), filled_(slots), free_(slots)
{
    thread_ = std::thread([this] { run(); });
}

sc_block_reader_c::~sc_block_reader_c()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void sc_block_reader_c::run()
{
    const uint64_t size = device_.size();
    for (uint64_t offset = 0; offset < size; offset += block_size_) {
        size_t slot;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return free_ > 0 || quitting_; });
            if (quitting_)
                return;
            --free_;
            slot = write_slot_;
            write_slot_ = (write_slot_ + 1) % buffers_.size();
        }
        // Made here, on first use: clearing and faulting in a fresh buffer
        // then overlaps the search of the block before instead of delaying
        // the first one.
        if (!buffers_[slot])
            buffers_[slot] = std::make_unique<aligned_buffer_c>(block_size_);
        uint8_t *data = buffers_[slot]->data();
        size_t want = static_cast<size_t>(std::min<uint64_t>(block_size_, size - offset));
        int64_t got = device_.read_at(offset, data, want);
        bool ended = false;
        if (got < 0) {
            memset(data, 0, want);
        } else if (static_cast<size_t>(got) < want) {
            want = static_cast<size_t>(got);  // the device ended early
            ended = true;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            filled_[slot] = {data, offset, want};
            ++ready_;
        }
        changed_.notify_all();
        if (ended)
            break;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

bool sc_block_reader_c::next(block_s &out)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (holding_) {
        holding_ = false;
        ++free_;
        read_slot_ = (read_slot_ + 1) % buffers_.size();
        changed_.notify_all();
    }
    changed_.wait(lock, [this] { return ready_ > 0 || finished_; });
    if (ready_ == 0)
        return false;
    --ready_;
    holding_ = true;
    out = filled_[read_slot_];
    return out.len > 0;
}
