// Reads of a failing source on a thread of their own. A read that hangs in
// the driver for minutes freezes only that thread: the imaging loop waits in
// short slices, keeps its progress current, and can stop and save its map.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/block_device.h"

class read_worker_c {
public:
    // max_bytes: the largest read asked for; the buffer is aligned for
    // unbuffered transfers.
    read_worker_c(std::shared_ptr<block_device_c> source, size_t max_bytes);
    ~read_worker_c();
    read_worker_c(const read_worker_c &) = delete;
    read_worker_c &operator=(const read_worker_c &) = delete;

    enum class outcome_e { read, failed, still_running };
    // Starts a read of len bytes at offset when none runs, then waits up to
    // wait_ms for it. read: the bytes are in data(). still_running: call
    // again with the same read to go on waiting.
    outcome_e read(uint64_t offset, size_t len, int wait_ms);
    const uint8_t *data() const;

private:
    struct shared_s;
    static void loop(std::shared_ptr<shared_s> shared);
    std::shared_ptr<shared_s> shared_;
    std::thread thread_;
};
