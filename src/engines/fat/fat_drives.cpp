#include "fat_drives.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "fat_layout.h"
#include "platform/disks.h"

using namespace std::chrono_literals;

static fat_log_fn &log_sink()
{
    static fat_log_fn sink = [](const std::string &line) {
        fwrite(line.data(), 1, line.size(), stdout);
        fflush(stdout);
    };
    return sink;
}

void set_fat_log(fat_log_fn sink)
{
    log_sink() = std::move(sink);
}

void fat_log(const char *format, ...)
{
    fat_log_fn &sink = log_sink();
    if (!sink)
        return;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        std::string line(static_cast<size_t>(n) + 1, '\0');
        vsnprintf(&line[0], line.size(), format, again);
        line.resize(static_cast<size_t>(n));
        sink(line);
    }
    va_end(again);
}

fat_drive_table_c::fat_drive_table_c()
    : source_(platform_disk_source()), drives_(max_drives), transfer_(transfer_bytes)
{
}

fat_drive_table_c::~fat_drive_table_c()
{
    stop_keep_alive();
}

void fat_drive_table_c::set_source(fat_disk_source_fn source)
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    source_ = std::move(source);
}

bool fat_drive_table_c::verify(block_device_c &device)
{
    // A disk is ready when it answers a read of its first sector.
    uint32_t bytes = device.sector_size() ? device.sector_size() : 512;
    std::vector<uint8_t> sector(bytes);
    return device.size() >= bytes && device.read_exact(0, sector.data(), bytes);
}

bool fat_drive_table_c::probe_locked(unsigned index)
{
    drive_s &d = drives_[index];
    if (!d.device || !verify(*d.device)) {
        d.status = disk_status_not_ready;
        return false;
    }
    d.sector_size = d.device->sector_size();
    if (d.sector_size != fat_layout::sector_bytes)
        return false;
    d.sector_count = d.device->size() / d.sector_size;
    d.status = d.write_protected ? disk_status_protected : 0;
    return true;
}

unsigned fat_drive_table_c::open_locked()
{
    unsigned n = 0;
    for (; n < max_drives && source_; ++n) {
        fat_disk_open_s opened = source_(n);
        if (opened.state == fat_disk_open_s::absent)
            break;
        drive_s &d = drives_[n];
        d = drive_s{};
        d.status = 0;
        d.device = opened.device;
        d.write_protected = opened.write_protected;
        fat_log("Disk# %u <== %s", n, opened.name.c_str());
        if (opened.state == fat_disk_open_s::opened && probe_locked(n)) {
            unsigned long long mb = d.sector_count * d.sector_size / 1024 / 1024;
            fat_log(" (%lluMB, %u bytes * %llu sectors)\n", mb, d.sector_size,
                    static_cast<unsigned long long>(d.sector_count));
        } else {
            if (opened.state != fat_disk_open_s::opened)
                d.status = disk_status_not_ready;
            fat_log(" (Not Ready)\n");
        }
    }
    for (unsigned i = n; i < max_drives; ++i)
        drives_[i] = drive_s{};
    count_ = n;
    return n;
}

unsigned fat_drive_table_c::open_drives()
{
    unsigned n;
    {
        std::lock_guard<std::timed_mutex> lock(mutex_);
        n = open_locked();
    }
    std::lock_guard<std::mutex> lock(stop_mutex_);
    if (!keep_alive_.joinable()) {
        stopping_ = false;
        keep_alive_ = std::thread([this] { keep_alive(); });
    }
    return n;
}

unsigned fat_drive_table_c::reopen_drives()
{
    std::lock_guard<std::timed_mutex> lock(mutex_);
    return open_locked();
}

uint8_t fat_drive_table_c::status(unsigned index)
{
    std::unique_lock<std::timed_mutex> lock(mutex_, 5000ms);
    if (!lock.owns_lock() || index >= count_)
        return disk_status_not_ready;
    probe_locked(index);
    return drives_[index].status;
}

bool fat_drive_table_c::ready(unsigned index)
{
    std::unique_lock<std::timed_mutex> lock(mutex_, 3000ms);
    return lock.owns_lock() && index < count_ && !(drives_[index].status & disk_status_not_ready);
}

int fat_drive_table_c::read(unsigned index, uint8_t *buffer, size_t buffer_bytes,
                            uint64_t first_sector, uint8_t count)
{
    if (index >= count_)
        return disk_not_ready;
    std::unique_lock<std::timed_mutex> lock(mutex_, 3000ms);
    if (!lock.owns_lock() || index >= count_ || (drives_[index].status & disk_status_not_ready))
        return disk_not_ready;
    const drive_s &d = drives_[index];
    size_t bytes = static_cast<size_t>(count) * d.sector_size;
    if (bytes > transfer_.size() || bytes > buffer_bytes)
        return disk_bad_parameter;
    if (first_sector > UINT64_MAX / (d.sector_size ? d.sector_size : 1))
        return disk_error;
    if (!d.device->read_exact(first_sector * d.sector_size, transfer_.data(), bytes))
        return disk_error;
    memcpy(buffer, transfer_.data(), bytes);
    return disk_ok;
}

uint32_t fat_drive_table_c::sector_size(unsigned index)
{
    std::unique_lock<std::timed_mutex> lock(mutex_, 3000ms);
    return lock.owns_lock() && index < count_ ? drives_[index].sector_size : 0;
}

uint64_t fat_drive_table_c::sector_count(unsigned index)
{
    std::unique_lock<std::timed_mutex> lock(mutex_, 3000ms);
    return lock.owns_lock() && index < count_ ? drives_[index].sector_count : 0;
}

void fat_drive_table_c::keep_alive()
{
    std::unique_lock<std::mutex> stop_lock(stop_mutex_);
    while (!stop_signal_.wait_for(stop_lock, 100ms, [this] { return stopping_; })) {
        stop_lock.unlock();
        for (unsigned i = 1; i < count_; ++i) {
            std::this_thread::sleep_for(1ms);
            std::unique_lock<std::timed_mutex> lock(mutex_, 100ms);
            if (!lock.owns_lock())
                continue;
            drive_s &d = drives_[i];
            if (!d.device || (d.status & disk_status_not_ready))
                continue;
            if (!verify(*d.device))
                d.status |= disk_status_not_ready;
        }
        stop_lock.lock();
    }
}

void fat_drive_table_c::stop_keep_alive()
{
    {
        std::lock_guard<std::mutex> lock(stop_mutex_);
        stopping_ = true;
    }
    stop_signal_.notify_all();
    if (keep_alive_.joinable() && keep_alive_.get_id() != std::this_thread::get_id())
        keep_alive_.join();
}

fat_drive_table_c &fat_drives()
{
    static fat_drive_table_c table;
    return table;
}

fat_disk_source_fn platform_disk_source()
{
    return [](unsigned index) {
        fat_disk_open_s out;
        std::vector<disk_info_s> disks = list_disks();
        if (index >= disks.size())
            return out;
        out.name = disks[index].path;
        out.write_protected = disks[index].write_protected;
        out.device = open_disk(static_cast<int>(index), open_mode_e::read);
        out.state = out.device ? fat_disk_open_s::opened : fat_disk_open_s::unopenable;
        return out;
    };
}
