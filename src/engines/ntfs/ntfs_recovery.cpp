#include "ntfs_recovery.h"

#include <cstring>

#include "ntfs_failure_log.h"
#include "ntfs_results.h"
#include "ntfs_volume_notes.h"

ntfs_recovery_c::ntfs_recovery_c(QObject *parent) : file_system_engine_c(parent)
{
    reset();
}

ntfs_recovery_c::~ntfs_recovery_c()
{
    wait();
    close_library_scan();
}

void ntfs_recovery_c::close_library_scan()
{
    if (context_.open)
        library_.scan_shutdown(&context_);
    memset(&context_, 0, sizeof context_);
}

void ntfs_recovery_c::update_progress()
{
    // In 64 bits: eight units per record pass 2^31 after 268 million records.
    int64_t total = context_.total;
    if (total <= 0)
        return;
    int64_t done = int64_t{context_.c3} + 8 * (int64_t{context_.c1} + context_.c2);
    state_.progress = static_cast<double>(done) / static_cast<double>(total);
}

void ntfs_recovery_c::run()
{
    reset();
    close_library_scan();
    int32_t result = library_.scan_startup(device(), &context_);
    if (result < 0) {
        report_ntfs_startup_failure("ntfs_recovery", __LINE__, result);
        error_ = ntfs_startup_error(result, context_);
        memset(&context_, 0, sizeof context_);
        return;
    }
    // One record for every call, handed over zeroed each time: clearing
    // what the last one held costs far less than 576 fresh bytes a record.
    ntfs_item_s item;
    while (state_.stop.load() == 0) {
        if (!state_.wait_while_paused())
            break;
        if (!library_.scan_next(&context_, &item.record))
            break;
        update_progress();
        ++state_.read_count;
        // Existing files stay where they are; directories and deleted entries are kept.
        const bool kept = !item.is_file() || item.is_deleted();
        if (kept) {
            store_.insert(item.record.id, item);
            // Counts what the tree will list: files, not the folders above them.
            if (ntfs_is_row(item))
                ++state_.found_count;
        }
        clear_scan_record(item.record);
    }
    // Now that every deleted file is known, one written later may turn out
    // to hold clusters the bitmap shows free.
    for (ntfs_item_s &item : store_) {
        if (!item.is_deleted() || !item.is_file())
            continue;
        const int32_t final_state = library_.data_state(&context_, static_cast<uint32_t>(item.record.id),
                                                        static_cast<uint32_t>(item.record.id >> 32));
        if (final_state >= 0)
            item.record.data_state = static_cast<uint8_t>(final_state);
    }
    link_ntfs_store(store_);
}

void ntfs_recovery_c::reset()
{
    state_.reset_counters();
    store_.clear();
    error_.clear();
}

namespace {
// Why the library could not write a stream, as the user reads it.
std::string ntfs_failure_text(int32_t rc)
{
    switch (rc) {
    case ntfs_error_no_record:
        return "its file record is gone or holds no data";
    case ntfs_error_encrypted:
        return "it is encrypted";
    case ntfs_error_outside:
        return "its run list points outside the volume";
    case ntfs_error_read:
        return "its data cannot be read from the volume";
    case ntfs_error_corrupt:
        return "its run list or compressed data is damaged";
    default:
        return "the volume cannot be read (error " + std::to_string(rc) + ")";
    }
}
} // namespace

int ntfs_recovery_c::recover_item(quint64 id, output_file_c &out)
{
    return write_stream(id, out, UINT64_MAX);
}

int ntfs_recovery_c::recover_head(const recovery_item_s &row, output_file_c &out, quint64 max_bytes)
{
    if (row.size <= max_bytes)
        return recover_row(row, out);
    return write_stream(row.id, out, max_bytes) == 0 ? 0 : -1;
}

int ntfs_recovery_c::write_stream(quint64 id, output_file_c &out, quint64 max_bytes)
{
    if (!context_.open) {
        out.set_failure("the volume is not open");
        return -1;
    }
    const uint32_t low = static_cast<uint32_t>(id), high = static_cast<uint32_t>(id >> 32);
    // Sectors that fail become holes in the file; out keeps where they are.
    auto note = [](void *cookie, uint64_t offset, uint64_t length) {
        static_cast<output_file_c *>(cookie)->note_unreadable(offset, length);
    };
    const int32_t rc = out.write_through(
        [&](int fd) { return library_.recover_to(&context_, low, high, fd, max_bytes, note, &out); },
        ntfs_error_write);
    if (rc != ntfs_ok && rc != ntfs_error_write)
        out.set_failure(ntfs_failure_text(rc));
    return rc;
}

int ntfs_recovery_c::get_item_path(quint64 id, std::wstring *out)
{
    return ntfs_item_path(store_, id, volume().mount_path, out);
}
