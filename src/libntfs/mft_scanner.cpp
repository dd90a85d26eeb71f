#include "mft_scanner.h"

#include <algorithm>
#include <chrono>

#include "data_state.h"
#include "mft_record.h"
#include "ntfs_layout.h"
#include "own_record_summary.h"
#include "record_summary.h"

namespace {

// Records are read in batches of about this many bytes.
constexpr uint64_t batch_bytes = 1u << 20;
// How far ahead records are asked for, and how much of each: the header and
// the attributes a listing reads lie in the first half of a record.
constexpr uint64_t prefetch_distance = 2;
constexpr uint64_t prefetch_bytes = 512;
// A batch read slower than this (for its size) comes from a device where
// reading elsewhere between batches costs seeks: a spinning disk, a failing
// one, a slow card. The system's cache and solid-state disks are far faster.
constexpr std::chrono::microseconds slow_batch{4000};
// Held in memory while the scan is open: 32 TiB of 4 KiB clusters.
constexpr uint64_t max_bitmap_bytes = 1ull << 30;

// A torn record loses its magic instead of being fixed up, so that the walk
// passes it over.
void fix_up_or_unmark(uint8_t *record, size_t size)
{
    if (!apply_fixups(record, size))
        memset(record, 0, 4);
}

} // namespace

mft_scanner_c::mft_scanner_c(std::unique_ptr<ntfs_volume_c> volume)
    : volume_(std::move(volume)), batch_records_(std::max<uint64_t>(1, batch_bytes / volume_->geometry().record_size)),
      traces_(*volume_, volume_->record_count(), slow_reads_)
{
    const uint64_t record_size = volume_->geometry().record_size;
    const uint64_t records = volume_->record_count();
    ntfs_volume_c *mft = volume_.get();
    batches_ = std::make_unique<read_ahead_c>(
        batch_records_ * record_size, (records + batch_records_ - 1) / batch_records_,
        [mft, records, record_size, per_batch = batch_records_, slow = &slow_reads_](uint64_t index,
                                                                                      uint8_t *buffer) -> int64_t {
            const uint64_t first = index * per_batch;
            const uint64_t count = std::min(per_batch, records - first);
            const auto started = std::chrono::steady_clock::now();
            if (mft->read_raw_records(first, count, buffer) != ntfs_ok)
                return -1;
            if (std::chrono::steady_clock::now() - started > slow_batch * (count * record_size) / batch_bytes)
                slow->store(true, std::memory_order_relaxed);
            // Fixed up here, while the batch is still in this core's cache.
            for (uint8_t *record = buffer; record < buffer + count * record_size; record += record_size)
                fix_up_or_unmark(record, record_size);
            return static_cast<int64_t>(count * record_size);
        });
}

uint8_t *mft_scanner_c::fetch(uint64_t number)
{
    const uint64_t record_size = volume_->geometry().record_size;
    while (!batch_.data || number >= (batch_.index + 1) * batch_records_)
        if (!batches_->next(batch_))
            return nullptr;
    const uint64_t offset = (number - batch_.index * batch_records_) * record_size;
    uint8_t *bytes = batch_.data + offset;
    if (batch_.len >= 0) {
        // The batch was filled on the reader's core: asking for a later
        // record's first lines now hides most of the wait for them.
        const uint64_t ahead = offset + prefetch_distance * record_size;
        if (ahead + record_size <= static_cast<uint64_t>(batch_.len))
            for (uint64_t line = 0; line < std::min<uint64_t>(record_size, prefetch_bytes); line += 64)
                __builtin_prefetch(batch_.data + ahead + line);
        return bytes;
    }
    // One bad spot must not hide the records around it.
    if (volume_->read_raw_records(number, 1, bytes) != ntfs_ok)
        return nullptr;
    fix_up_or_unmark(bytes, record_size);
    return bytes;
}

const cluster_bitmap_c *mft_scanner_c::bitmap()
{
    if (bitmap_state_ == bitmap_e::not_read)
        bitmap_state_ = bitmap_.load(*volume_, max_bitmap_bytes) ? bitmap_e::read : bitmap_e::unreadable;
    return bitmap_state_ == bitmap_e::read ? &bitmap_ : nullptr;
}

int32_t mft_scanner_c::final_data_state(uint64_t number)
{
    if (!claims_counted_ && bitmap())
        count_later_claims(std::move(deleted_extents_), *bitmap(), deleted_usage_);
    deleted_extents_ = {};
    claims_counted_ = true;
    auto it = deleted_usage_.find(number);
    return it == deleted_usage_.end() ? -1 : it->second.state();
}

bool mft_scanner_c::next(ntfs_scan_record &out)
{
    while (next_ < volume_->record_count()) {
        uint64_t number = next_++;
        uint8_t *bytes = fetch(number);
        record_header_info_s header;
        if (!bytes || !read_record_header({bytes, volume_->geometry().record_size}, header)) {
            ++others_examined_;
            continue;
        }
        if (header.flags & ntfs_record_in_use)
            ++in_use_examined_;
        else
            ++others_examined_;
        traces_.note_header(number, header);
        if (header.base_record != 0)
            continue;
        record_.number = number;
        record_.base = {bytes, volume_->geometry().record_size};
        // Most records are files in use: described from their own
        // attributes in one pass, unless some lie in other records.
        if ((header.flags & ntfs_record_in_use) && !(header.flags & ntfs_record_is_directory)) {
            const own_summary_e own = summarize_own_attributes(record_.base, number, header, out, file_names_);
            if (own == own_summary_e::no_name)
                continue;
            if (own == own_summary_e::described) {
                traces_.note_names(file_names_);
                return true;
            }
        }
        if (gather_attributes(*volume_, record_) && summarize_record(record_, out)) {
            if ((out.flags & ntfs_record_flag_deleted) && (out.flags & ntfs_record_flag_file)) {
                const data_usage_s usage =
                    record_data_usage(*volume_, bitmap(), record_, out.first_time, deleted_extents_);
                out.data_state = usage.state();
                if (usage.mapped)
                    deleted_usage_[number] = usage;
            }
            traces_.note_described(record_);
            return true;
        }
    }
    // Its buffers are not needed for the index slack.
    batches_.reset();
    batch_ = {};
    return traces_.next(out);
}
