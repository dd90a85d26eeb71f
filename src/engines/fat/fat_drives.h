// The FAT reader's device layer: a table of up to ten physical disks opened
// in order, one 64 KiB transfer buffer and one mutex around every transfer,
// and a keep-alive thread that notices removed disks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/block_device.h"

// Device layer result codes.
enum fat_disk_result_e : int {
    disk_ok = 0,
    disk_error = 1,
    disk_not_ready = 3,
    disk_bad_parameter = 4,
};

enum : uint8_t {
    disk_status_not_ready = 0x01,
    disk_status_protected = 0x04,
};

// What the table learns about disk N when it opens it.
struct fat_disk_open_s {
    enum state_e { absent, unopenable, opened } state = absent;
    std::string name;
    std::shared_ptr<block_device_c> device;
    bool write_protected = false;
};

// Where disk N comes from: the platform's disk table, or a test's devices.
using fat_disk_source_fn = std::function<fat_disk_open_s(unsigned index)>;

// Writes a diagnostic line (the "Disk# ..." lines and the engine's log).
using fat_log_fn = std::function<void(const std::string &line)>;
void set_fat_log(fat_log_fn sink);
void fat_log(const char *format, ...) __attribute__((format(printf, 1, 2)));

class fat_drive_table_c {
public:
    static constexpr unsigned max_drives = 10;
    static constexpr size_t transfer_bytes = 65536;

    fat_drive_table_c();
    ~fat_drive_table_c();
    fat_drive_table_c(const fat_drive_table_c &) = delete;
    fat_drive_table_c &operator=(const fat_drive_table_c &) = delete;

    void set_source(fat_disk_source_fn source);
    // Opens disks 0, 1, ... until one is absent, probes each and starts the
    // keep-alive thread; returns the number of disks.
    unsigned open_drives();
    // Closes and opens every disk again (waits for the mutex without limit).
    unsigned reopen_drives();
    unsigned count() const { return count_.load(); }

    // Probes the disk again; disk_status_not_ready when the mutex is busy
    // for 5 s or the index is out of range.
    uint8_t status(unsigned index);
    // The status byte as the last probe or the keep-alive thread left it.
    bool ready(unsigned index);
    // Reads count sectors from first_sector into buffer (buffer_bytes long).
    int read(unsigned index, uint8_t *buffer, size_t buffer_bytes, uint64_t first_sector,
             uint8_t count);
    uint32_t sector_size(unsigned index);
    uint64_t sector_count(unsigned index);

    void stop_keep_alive();

private:
    struct drive_s {
        uint8_t status = disk_status_not_ready;
        uint32_t sector_size = 0;
        uint64_t sector_count = 0;
        std::shared_ptr<block_device_c> device;
        bool write_protected = false;
    };

    unsigned open_locked();
    bool probe_locked(unsigned index);
    static bool verify(block_device_c &device);
    void keep_alive();

    fat_disk_source_fn source_;
    std::vector<drive_s> drives_;
    std::atomic<unsigned> count_{0};
    std::vector<uint8_t> transfer_;
    std::timed_mutex mutex_;

    std::thread keep_alive_;
    std::mutex stop_mutex_;
    std::condition_variable stop_signal_;
    bool stopping_ = false;
};

// The process-wide table, fed from the platform's disk table unless a test
// sets another source.
fat_drive_table_c &fat_drives();
fat_disk_source_fn platform_disk_source();
