#include "read_worker.h"

#include <chrono>

struct read_worker_c::shared_s {
    explicit shared_s(std::shared_ptr<block_device_c> s, size_t max) : source(std::move(s)), buffer(max) {}
    std::shared_ptr<block_device_c> source;
    aligned_buffer_c buffer;
    std::mutex lock;
    std::condition_variable changed;
    bool asked = false, busy = false, done = false, ok = false, quit = false;
    uint64_t offset = 0;
    size_t len = 0;
};

read_worker_c::read_worker_c(std::shared_ptr<block_device_c> source, size_t max_bytes)
    : shared_(std::make_shared<shared_s>(std::move(source), max_bytes)), thread_(loop, shared_)
{}

read_worker_c::~read_worker_c()
{
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        shared_->quit = true;
    }
    shared_->changed.notify_all();
    // A read hung in the driver may never return: the thread keeps the
    // device and buffer it shares and ends whenever the read does.
    bool hung = false;
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        hung = shared_->busy;
    }
    if (hung)
        thread_.detach();
    else
        thread_.join();
}

void read_worker_c::loop(std::shared_ptr<shared_s> s)
{
    std::unique_lock<std::mutex> hold(s->lock);
    for (;;) {
        s->changed.wait(hold, [&] { return s->asked || s->quit; });
        if (s->quit)
            return;
        s->asked = false;
        s->busy = true;
        const uint64_t offset = s->offset;
        const size_t len = s->len;
        hold.unlock();
        const int64_t got = s->source->read_at(offset, s->buffer.data(), len);
        hold.lock();
        s->busy = false;
        s->ok = got == static_cast<int64_t>(len);
        s->done = true;
        s->changed.notify_all();
    }
}

read_worker_c::outcome_e read_worker_c::read(uint64_t offset, size_t len, int wait_ms)
{
    std::unique_lock<std::mutex> hold(shared_->lock);
    if (!shared_->busy && !shared_->asked && !shared_->done) {
        shared_->offset = offset;
        shared_->len = len;
        shared_->asked = true;
        shared_->changed.notify_all();
    }
    if (!shared_->changed.wait_for(hold, std::chrono::milliseconds(wait_ms), [&] { return shared_->done; }))
        return outcome_e::still_running;
    shared_->done = false;
    return shared_->ok ? outcome_e::read : outcome_e::failed;
}

const uint8_t *read_worker_c::data() const
{
    return shared_->buffer.data();
}
