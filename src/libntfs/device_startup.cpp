// Opening a scan by device name, through the platform's disk table. Kept
// apart so that callers holding a device need not link the disk table.
#include <climits>
#include <cstring>

#include "ntfs_scan.h"
#include "ntfs_scan_internal.h"
#include "platform/disks.h"

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

extern "C" int32_t ntfs_scan_startup(const char *device_name, ntfs_scan_context *context)
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
