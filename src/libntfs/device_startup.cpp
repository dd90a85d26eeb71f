// Opening a scan by volume name path, through the platform's disk table.
// Kept apart so that callers holding a device need not link the disk table.
#include "ntfs_scan.h"
#include "ntfs_scan_internal.h"
#include "platform/disks.h"

extern "C" int32_t ntfs_scan_startup(const char *device_name, ntfs_scan_context *context)
{
    if (!context || !device_name)
        return ntfs_error_argument;
    return ntfs_scan_startup_device(open_volume_path(device_name, open_mode_e::read), context);
}
