#include "read_ahead.h"

read_ahead_c::read_ahead_c(size_t block_size, uint64_t blocks, fill_f fill, size_t slots)
    : block_size_(block_size), blocks_(blocks), fill_(std::move(fill)), buffers_(slots), filled_(slots), free_(slots)
{
    thread_ = std::thread([this] { run(); });
}

read_ahead_c::~read_ahead_c()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void read_ahead_c::run()
{
    for (uint64_t index = 0; index < blocks_; ++index) {
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
        // Made here, on first use: faulting in a fresh buffer then overlaps
        // the work on the block before instead of delaying the first one.
        // Mapped rather than allocated, so that the megabytes surely go back
        // to the system when the reader goes.
        if (!buffers_[slot].data()) {
            buffers_[slot] = mapped_memory_c(block_size_);
            if (!buffers_[slot].data())
                break;
        }
        uint8_t *data = buffers_[slot].data();
        const int64_t len = fill_(index, data);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            filled_[slot] = {data, index, len};
            ++ready_;
        }
        changed_.notify_all();
        if (len >= 0 && static_cast<uint64_t>(len) < block_size_)
            break;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

bool read_ahead_c::next(block_s &out)
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
    return true;
}
