// Entry points of the scanner for callers that already hold the bytes: a
// volume opened through the platform layer, an image slice, a bare $MFT
// extract. They fill the same context as ntfs_scan_startup.
#pragma once

#include <memory>

#include "ntfs_scan.h"
#include "platform/block_device.h"

// Opens a scan on an NTFS volume whose first byte is the device's offset 0;
// ntfs_error_device without a device. Restores read through the same device.
int32_t ntfs_scan_startup_device(std::shared_ptr<block_device_c> device, ntfs_scan_context *context);

// Opens a scan on a bare $MFT extract. Records are reported as on a volume;
// non-resident data cannot be recovered from it.
int32_t ntfs_scan_startup_mft_file(std::shared_ptr<block_device_c> mft, ntfs_scan_context *context);
