#include "partition_search.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <QStringList>

#include "platform/block_device.h"
#include "platform/region_file_system.h"
#include "volume_probe.h"

namespace {

constexpr uint64_t max_u64 = std::numeric_limits<uint64_t>::max();
constexpr uint64_t mib_sectors = 2048;
constexpr uint64_t small_disk_first = 128; // 64 KiB: where Windows starts the first partition of a small disk
constexpr uint64_t track_sectors = 63;
constexpr uint64_t cylinder_sectors = 255 * track_sectors;
// Progress is told every this many candidates.
constexpr uint32_t progress_every = 256;

// Reads sectors for the search. Unbuffered devices need offsets and lengths
// aligned to their own sector size, which may be larger than 512 bytes, so a
// read covers the aligned superset and the caller gets a pointer into it.
class sector_source_c {
public:
    sector_source_c(block_device_c &drive, uint64_t end_sector)
        : drive_(drive), end_(end_sector), align_(std::max<uint32_t>(drive.sector_size(), search_sector_bytes)),
          buffer_(max_sectors * search_sector_bytes + 2 * align_, std::max<size_t>(align_, 4096))
    {}

    uint64_t end() const { return end_; }

    // count sectors at lba; null past the end of the disk or on a failed read.
    const uint8_t *read(uint64_t lba, uint32_t count)
    {
        if (count == 0 || count > max_sectors || lba >= end_ || count > end_ - lba || buffer_.size() == 0)
            return nullptr;
        const uint64_t offset = lba * search_sector_bytes;
        const uint64_t lead = drive_.unbuffered() ? offset % align_ : 0;
        uint64_t len = lead + uint64_t{count} * search_sector_bytes;
        if (drive_.unbuffered())
            len = (len + align_ - 1) / align_ * align_;
        const int64_t got = drive_.read_at(offset - lead, buffer_.data(), len);
        if (got < 0 || static_cast<uint64_t>(got) < lead + uint64_t{count} * search_sector_bytes)
            return nullptr;
        return buffer_.data() + lead;
    }

private:
    static constexpr uint32_t max_sectors = 16;

    block_device_c &drive_;
    uint64_t end_;
    uint32_t align_;
    aligned_buffer_c buffer_;
};

uint64_t saturating_add(uint64_t a, uint64_t b)
{
    return a > max_u64 - b ? max_u64 : a + b;
}

uint64_t round_up(uint64_t s, uint64_t unit, uint64_t offset)
{
    const uint64_t rest = (s + unit - offset % unit) % unit;
    return rest == 0 ? s : saturating_add(s, unit - rest);
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

// The volume the block read at candidate c places, starting at or after
// free_from and no later than c.
std::optional<volume_find_s> probe_block(sector_source_c &source, uint64_t c, uint64_t free_from)
{
    const uint64_t first = c == 0 ? 0 : c - 1;
    const uint32_t count =
        static_cast<uint32_t>(std::min<uint64_t>(search_block_sectors - (c == 0), source.end() - first));
    const uint8_t *block = source.read(first, count);
    if (!block)
        return std::nullopt;
    // Copied: the probes read further sectors through the same buffer.
    uint8_t sectors[search_block_sectors * search_sector_bytes];
    memcpy(sectors, block, count * search_sector_bytes);
    const sector_reader_fn read = [&](uint64_t lba, uint32_t n, uint8_t *out) {
        const uint8_t *at = source.read(lba, n);
        if (at)
            memcpy(out, at, n * search_sector_bytes);
        return at != nullptr;
    };
    for (uint32_t k = 0; k < count; ++k) {
        auto find = probe_volume_at(first + k, sectors + k * search_sector_bytes, read);
        if (find && find->start >= free_from && find->start <= c)
            return find;
    }
    return std::nullopt;
}

} // namespace

uint64_t next_candidate_start(uint64_t s)
{
    const uint64_t small = s <= small_disk_first ? small_disk_first : max_u64;
    return std::min({small, round_up(s, mib_sectors, 0), round_up(s, cylinder_sectors, 0),
                     round_up(s, cylinder_sectors, track_sectors)});
}

std::function<std::optional<QString>(uint64_t sector)> system_probe_other(region_prober_c &prober)
{
    return [&prober](uint64_t sector) -> std::optional<QString> {
        static const QStringList ours = {"FAT", "FAT32", "NTFS", "exFAT", "ext2", "ext3", "ext4", "swap"};
        const QString name = QString::fromStdString(prober.file_system_at(sector * search_sector_bytes));
        if (name.isEmpty() || ours.contains(name))
            return std::nullopt;
        return name;
    };
}

search_end_e search_partitions(block_device_c &drive, uint64_t drive_size, const partition_search_hooks_s &hooks)
{
    // First sector whose start lies at or past the end of the drive.
    const uint64_t end_sector = drive_size / search_sector_bytes + (drive_size % search_sector_bytes != 0);
    sector_source_c source(drive, std::min<uint64_t>(end_sector, drive.size() / search_sector_bytes));
    pending_other_s pending;
    uint64_t free_from = 0; // the first sector no find covers
    uint64_t c = 0;
    for (uint32_t tested = 0;; ++tested) {
        if (hooks.stop_requested && hooks.stop_requested())
            return search_stopped;
        if (c >= end_sector)
            break;
        if (auto find = probe_block(source, c, free_from)) {
            pending.close(find->start, hooks);
            const partition_item_s row =
                row_of(QString::fromLatin1(find->file_system), find->mbr_type, find->start, find->sectors);
            if (hooks.found)
                hooks.found(row);
            free_from = c = saturating_add(row.end_sector, 1);
            if (hooks.progress && c < end_sector)
                hooks.progress(static_cast<double>(c) * search_sector_bytes / static_cast<double>(drive_size));
            continue;
        }
        // The system's probers are slower: 1 MiB and cylinder boundaries and
        // the sector after a find only.
        const bool major = c % mib_sectors == 0 || c % cylinder_sectors <= track_sectors || c == free_from;
        if (major && !pending.row && hooks.probe_other && c >= free_from) {
            if (auto other = hooks.probe_other(c)) {
                pending.row = row_of(*other, mbr_type_for(qPrintable(*other)), c, 1);
                free_from = c + 1;
            }
        }
        c = next_candidate_start(c + 1);
        if (hooks.progress && tested % progress_every == progress_every - 1 && c < end_sector)
            hooks.progress(static_cast<double>(c) * search_sector_bytes / static_cast<double>(drive_size));
    }
    pending.close(end_sector, hooks);
    if (hooks.progress)
        hooks.progress(1.0);
    return search_completed;
}
