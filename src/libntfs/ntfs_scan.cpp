#include "ntfs_scan.h"

#include <climits>
#include <cstring>

#include "mft_scanner.h"
#include "ntfs_scan_internal.h"
#include "platform/disks.h"
#include "stream_writer.h"

namespace {

mft_scanner_c *scanner_of(ntfs_scan_context *context)
{
    return context && context->open ? static_cast<mft_scanner_c *>(context->scanner) : nullptr;
}

int32_t clamp32(uint64_t v) { return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); }

int32_t attach(std::unique_ptr<ntfs_volume_c> volume, ntfs_scan_context *context)
{
    // Each record examined is 8 units of work, so c1 + c2 reach the total.
    context->total = static_cast<int64_t>(volume->record_count()) * 8;
    context->c1 = context->c2 = context->c3 = 0;
    context->scanner = new mft_scanner_c(std::move(volume));
    context->open = 1;
    return ntfs_ok;
}

} // namespace

int32_t ntfs_scan_startup_device(std::shared_ptr<block_device_c> device, ntfs_scan_context *context)
{
    if (!context || context->open)
        return ntfs_error_argument;
    int32_t error = ntfs_ok;
    auto volume = ntfs_volume_c::open(std::move(device), &error);
    return volume ? attach(std::move(volume), context) : error;
}

int32_t ntfs_scan_startup_mft_file(std::shared_ptr<block_device_c> mft, ntfs_scan_context *context)
{
    if (!context || context->open)
        return ntfs_error_argument;
    int32_t error = ntfs_ok;
    auto volume = ntfs_volume_c::open_mft_file(std::move(mft), &error);
    return volume ? attach(std::move(volume), context) : error;
}

bool parse_ntfs_device_name(const char *name, int &disk_number, int &partition_number)
{
    static const char prefix[] = "/dev/hd";
    if (!name || strncmp(name, prefix, sizeof prefix - 1) != 0)
        return false;
    const char *p = name + sizeof prefix - 1;
    if (*p < 'a' || *p > 'z')
        return false;
    disk_number = *p++ - 'a';
    if (*p < '0' || *p > '9')
        return false;
    long partition = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        partition = partition * 10 + (*p - '0');
        if (partition > INT_MAX / 10)
            return false;
    }
    partition_number = static_cast<int>(partition);
    return *p == '\0';
}

extern "C" {

int32_t ntfs_scan_startup(const char *device_name, ntfs_scan_context *context)
{
    int disk_number = 0, partition_number = 0;
    if (!context || !parse_ntfs_device_name(device_name, disk_number, partition_number))
        return ntfs_error_argument;
    volume_location_s where;
    if (!locate_partition(disk_number, partition_number, where))
        return ntfs_error_device;
    std::shared_ptr<block_device_c> device = open_volume(where, open_mode_e::read);
    if (!device)
        return ntfs_error_device;
    return ntfs_scan_startup_device(std::move(device), context);
}

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

int32_t ntfs_recover_file(ntfs_scan_context *context, uint32_t id_low, uint32_t id_high,
                          const char *destination, int32_t *unused)
{
    if (unused)
        *unused = 0;
    mft_scanner_c *scanner = scanner_of(context);
    if (!scanner)
        return ntfs_error_argument;
    uint64_t id = static_cast<uint64_t>(id_high) << 32 | id_low;
    return write_data_stream(scanner->volume(), id, destination);
}

} // extern "C"
