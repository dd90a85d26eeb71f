#include "ntfs_scan.h"

#include <cstring>

#include "mft_scanner.h"
#include "ntfs_scan_internal.h"
#include "stream_writer.h"

namespace {

mft_scanner_c *scanner_of(ntfs_scan_context *context)
{
    return context && context->open ? static_cast<mft_scanner_c *>(context->scanner) : nullptr;
}

int32_t clamp32(uint64_t v)
{
    return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

int32_t attach(std::unique_ptr<ntfs_volume_c> volume, ntfs_scan_context *context)
{
    // Each record examined is 8 units of work, so c1 + c2 reach the total.
    context->total = static_cast<int64_t>(volume->record_count()) * 8;
    context->c1 = context->c2 = context->c3 = 0;
    context->notes = volume->backup_boot() ? ntfs_note_backup_boot : 0;
    if (context->device_bytes < context->volume_bytes)
        context->notes |= ntfs_note_short_device;
    context->scanner = new mft_scanner_c(std::move(volume));
    context->open = 1;
    return ntfs_ok;
}

template <class Open> int32_t start_scan(ntfs_scan_context *context, Open open)
{
    if (!context || context->open)
        return ntfs_error_argument;
    context->device_bytes = context->volume_bytes = 0;
    int32_t error = ntfs_ok;
    std::unique_ptr<ntfs_volume_c> volume = open(&error);
    return volume ? attach(std::move(volume), context) : error;
}

} // namespace

int32_t ntfs_scan_startup_device(std::shared_ptr<block_device_c> device, ntfs_scan_context *context)
{
    if (!device)
        return context ? ntfs_error_device : ntfs_error_argument;
    return start_scan(context, [&](int32_t *error) {
        context->device_bytes = device->size();
        return ntfs_volume_c::open(std::move(device), error, &context->volume_bytes);
    });
}

int32_t ntfs_scan_startup_mft_file(std::shared_ptr<block_device_c> mft, ntfs_scan_context *context)
{
    return start_scan(context, [&](int32_t *error) { return ntfs_volume_c::open_mft_file(std::move(mft), error); });
}

extern "C" {

int32_t ntfs_scan_next(ntfs_scan_context *context, ntfs_scan_record *record)
{
    mft_scanner_c *scanner = scanner_of(context);
    if (!scanner || !record)
        return 0;
    bool found = scanner->next(*record);
    context->c1 = clamp32(scanner->in_use_examined());
    context->c2 = clamp32(scanner->others_examined());
    return found ? 1 : 0;
}

int32_t ntfs_scan_shutdown(ntfs_scan_context *context)
{
    delete scanner_of(context);
    if (context) {
        context->scanner = nullptr;
        context->open = 0;
    }
    return ntfs_ok;
}

int32_t ntfs_scan_data_state(ntfs_scan_context *context, uint32_t id_low, uint32_t id_high)
{
    mft_scanner_c *scanner = scanner_of(context);
    return scanner ? scanner->final_data_state(static_cast<uint64_t>(id_high) << 32 | id_low) : -1;
}

int32_t ntfs_recover_file(ntfs_scan_context *context, uint32_t id_low, uint32_t id_high, const char *destination,
                          int32_t *unused)
{
    if (unused)
        *unused = 0;
    mft_scanner_c *scanner = scanner_of(context);
    if (!scanner)
        return ntfs_error_argument;
    uint64_t id = static_cast<uint64_t>(id_high) << 32 | id_low;
    return write_data_stream(scanner->volume(), id, destination);
}

int32_t ntfs_recover_file_to(ntfs_scan_context *context, uint32_t id_low, uint32_t id_high, int fd,
                             uint64_t max_bytes, ntfs_unreadable_fn unreadable, void *cookie)
{
    mft_scanner_c *scanner = scanner_of(context);
    if (!scanner)
        return ntfs_error_argument;
    uint64_t id = static_cast<uint64_t>(id_high) << 32 | id_low;
    return write_data_stream(scanner->volume(), id, fd, max_bytes, unreadable_note_s{unreadable, cookie});
}

} // extern "C"
