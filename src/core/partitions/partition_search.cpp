#include "partition_search.h"

#include <algorithm>
#include <limits>

#include "boot_sector_probe.h"
#include "platform/block_device.h"

namespace {

constexpr uint64_t max_u64 = std::numeric_limits<uint64_t>::max();

// Reads one window at sector n. Unbuffered devices need offsets and lengths
// aligned to their own sector size, which may be larger than 512 bytes, so
// the read covers the aligned superset and the window points into it.
class window_reader_c {
public:
    explicit window_reader_c(block_device_c &drive)
        : drive_(drive), align_(std::max<uint32_t>(drive.sector_size(), search_sector_bytes)),
          buffer_(search_window_bytes + 2 * align_, std::max<size_t>(align_, 4096))
    {}

    // Null unless the whole window was read.
    const uint8_t *read(uint64_t sector)
    {
        if (buffer_.size() == 0 || sector > max_u64 / search_sector_bytes - search_window_sectors)
            return nullptr;
        uint64_t offset = sector * search_sector_bytes;
        uint64_t lead = drive_.unbuffered() ? offset % align_ : 0;
        uint64_t len = lead + search_window_bytes;
        if (drive_.unbuffered())
            len = (len + align_ - 1) / align_ * align_;
        int64_t got = drive_.read_at(offset - lead, buffer_.data(), len);
        if (got < 0 || static_cast<uint64_t>(got) < lead + search_window_bytes)
            return nullptr;
        return buffer_.data() + lead;
    }

private:
    block_device_c &drive_;
    uint32_t align_;
    aligned_buffer_c buffer_;
};

uint64_t saturating_add(uint64_t a, uint64_t b)
{
    return a > max_u64 - b ? max_u64 : a + b;
}

} // namespace

search_end_e search_partitions(block_device_c &drive, uint64_t drive_size, const partition_search_hooks_s &hooks)
{
    // First sector whose start lies at or past the end of the drive.
    const uint64_t end_sector = drive_size / search_sector_bytes + (drive_size % search_sector_bytes != 0);
    window_reader_c reader(drive);
    uint64_t p = 0;
    for (;;) {
        if (hooks.stop_requested && hooks.stop_requested())
            return search_stopped;
        if (p >= end_sector)
            break;
        const uint8_t *window = reader.read(p);
        if (!window)
            break;
        uint64_t n = p + (search_window_sectors - 1);
        // The window's last sector is only the successor of the one before it.
        for (uint32_t j = 0; j + 1 < search_window_sectors; ++j) {
            const uint8_t *sector = window + j * search_sector_bytes;
            auto hit =
                recognise_boot_sector(sector, search_sector_bytes, sector + search_sector_bytes, search_sector_bytes);
            if (!hit)
                continue;
            partition_item_s row;
            row.file_system = QString::fromLatin1(hit->file_system);
            row.type_id = hit->type_id;
            row.start_sector = p + j;
            row.end_sector = saturating_add(row.start_sector, hit->sector_count - 1);
            if (hooks.found)
                hooks.found(row);
            n = saturating_add(row.start_sector, hit->sector_count);
            break;
        }
        if (n >= end_sector)
            break;
        if (hooks.progress)
            hooks.progress(static_cast<double>(n) * search_sector_bytes / static_cast<double>(drive_size));
        p = n;
    }
    if (hooks.progress)
        hooks.progress(1.0);
    return search_completed;
}
