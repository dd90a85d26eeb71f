#include "partition_search.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/block_device.h"
#include "volume_probe.h"

namespace {

constexpr uint64_t max_u64 = std::numeric_limits<uint64_t>::max();
constexpr uint64_t mib_sectors = 2048;
constexpr uint64_t cylinder_sectors = 255 * 63;
constexpr uint64_t track_sectors = 63;

// Reads sectors for the search. Unbuffered devices need offsets and lengths
// aligned to their own sector size, which may be larger than 512 bytes, so a
// read covers the aligned superset and the caller gets a pointer into it.
class sector_source_c {
public:
    explicit sector_source_c(block_device_c &drive, uint64_t end_sector)
        : drive_(drive), end_(end_sector), align_(std::max<uint32_t>(drive.sector_size(), search_sector_bytes)),
          window_(search_window_bytes + 2 * align_, std::max<size_t>(align_, 4096)),
          scratch_(scratch_sectors * search_sector_bytes + 2 * align_, std::max<size_t>(align_, 4096))
    {}

    // Null unless the whole window at sector was read.
    const uint8_t *window(uint64_t sector)
    {
        window_start_ = max_u64;
        const uint8_t *at = read_into(window_, sector, search_window_sectors);
        if (at)
            window_start_ = sector;
        window_at_ = at;
        return at;
    }

    // count sectors at lba, from the window when it holds them.
    bool read(uint64_t lba, uint32_t count, uint8_t *out)
    {
        if (count == 0 || count > scratch_sectors || lba >= end_ || count > end_ - lba)
            return false;
        if (window_start_ != max_u64 && lba >= window_start_ && lba - window_start_ + count <= search_window_sectors) {
            memcpy(out, window_at_ + (lba - window_start_) * search_sector_bytes, count * search_sector_bytes);
            return true;
        }
        const uint8_t *at = read_into(scratch_, lba, count);
        if (at)
            memcpy(out, at, count * search_sector_bytes);
        return at != nullptr;
    }

private:
    static constexpr uint32_t scratch_sectors = 16;

    const uint8_t *read_into(aligned_buffer_c &buffer, uint64_t sector, uint32_t count)
    {
        if (buffer.size() == 0 || sector > max_u64 / search_sector_bytes - count)
            return nullptr;
        const uint64_t offset = sector * search_sector_bytes;
        const uint64_t lead = drive_.unbuffered() ? offset % align_ : 0;
        uint64_t len = lead + uint64_t{count} * search_sector_bytes;
        if (drive_.unbuffered())
            len = (len + align_ - 1) / align_ * align_;
        const int64_t got = drive_.read_at(offset - lead, buffer.data(), len);
        if (got < 0 || static_cast<uint64_t>(got) < lead + uint64_t{count} * search_sector_bytes)
            return nullptr;
        return buffer.data() + lead;
    }

    block_device_c &drive_;
    uint64_t end_;
    uint32_t align_;
    aligned_buffer_c window_;
    aligned_buffer_c scratch_;
    uint64_t window_start_ = max_u64;
    const uint8_t *window_at_ = nullptr;
};

uint64_t saturating_add(uint64_t a, uint64_t b)
{
    return a > max_u64 - b ? max_u64 : a + b;
}

partition_item_s row_of(const QString &file_system, uint8_t type, uint64_t start, uint64_t sectors)
{
    partition_item_s row;
    row.file_system = file_system;
    row.type_id = type;
    row.start_sector = start;
    row.end_sector = saturating_add(start, sectors - 1);
    return row;
}

// What another prober found, held until the next find (or the disk's end)
// tells where it stops.
struct pending_other_s {
    std::optional<partition_item_s> row;

    void close(uint64_t next_start, const partition_search_hooks_s &hooks)
    {
        if (!row)
            return;
        row->end_sector = next_start - 1;
        if (hooks.found)
            hooks.found(*row);
        row.reset();
    }
};

} // namespace

bool is_candidate_start(uint64_t s)
{
    return s != 0 && (s % mib_sectors == 0 || s % cylinder_sectors == 0 || s == track_sectors);
}

search_end_e search_partitions(block_device_c &drive, uint64_t drive_size, const partition_search_hooks_s &hooks)
{
    // First sector whose start lies at or past the end of the drive.
    const uint64_t end_sector = drive_size / search_sector_bytes + (drive_size % search_sector_bytes != 0);
    sector_source_c source(drive, end_sector);
    const sector_reader_fn read = [&](uint64_t lba, uint32_t count, uint8_t *out) {
        return source.read(lba, count, out);
    };
    pending_other_s pending;
    uint64_t p = 0;
    uint64_t free_from = 0; // the first sector no find covers
    for (;;) {
        if (hooks.stop_requested && hooks.stop_requested())
            return search_stopped;
        if (p >= end_sector)
            break;
        const uint8_t *window = source.window(p);
        if (!window)
            break;
        uint64_t n = p + (search_window_sectors - 1);
        // The window's last sector is tested as the first of the next.
        for (uint32_t j = 0; j + 1 < search_window_sectors; ++j) {
            const uint64_t s = p + j;
            auto find = probe_volume_at(s, window + j * search_sector_bytes, read);
            if (find && find->start >= free_from) {
                pending.close(find->start, hooks);
                const partition_item_s row =
                    row_of(QString::fromLatin1(find->file_system), find->mbr_type, find->start, find->sectors);
                if (hooks.found)
                    hooks.found(row);
                free_from = n = saturating_add(row.end_sector, 1);
                break;
            }
            if (!pending.row && hooks.probe_other && (is_candidate_start(s) || (s == free_from && s != 0))) {
                if (auto other = hooks.probe_other(s)) {
                    pending.row = row_of(*other, mbr_type_for(qPrintable(*other)), s, 1);
                    free_from = s + 1;
                }
            }
        }
        if (n >= end_sector)
            break;
        if (hooks.progress)
            hooks.progress(static_cast<double>(n) * search_sector_bytes / static_cast<double>(drive_size));
        p = n;
    }
    pending.close(end_sector, hooks);
    if (hooks.progress)
        hooks.progress(1.0);
    return search_completed;
}
