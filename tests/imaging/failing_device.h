// A device over bytes in memory whose chosen sectors fail to read and whose
// reads can be slowed or held, as a failing disk's are.
#pragma once

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "platform/block_device.h"

class failing_device_c : public memory_device_c {
public:
    using memory_device_c::memory_device_c;

    std::set<uint64_t> bad_sectors;
    std::chrono::microseconds delay{0}; // every read that touches a bad sector's neighbourhood
    uint64_t slow_near = 0;             // bytes around each bad sector that read slowly
    std::atomic<bool> hold{false};      // reads wait while set (a read hung in the driver)
    std::atomic<uint64_t> reads{0};
    std::atomic<uint64_t> bytes_asked{0};

    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        ++reads;
        bytes_asked += len;
        while (hold)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const uint64_t first = offset / sector_size(), last = (offset + len - 1) / sector_size();
        const uint64_t near = slow_near / sector_size();
        auto it = bad_sectors.lower_bound(first > near ? first - near : 0);
        if (it != bad_sectors.end() && *it <= last + near)
            std::this_thread::sleep_for(delay);
        it = bad_sectors.lower_bound(first);
        if (it != bad_sectors.end() && *it <= last)
            return -1;
        return memory_device_c::read_at(offset, buffer, len);
    }
};
