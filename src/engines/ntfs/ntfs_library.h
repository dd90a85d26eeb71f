// The library operations the NTFS engine calls, as replaceable
// functions so the engine can be driven by a scripted library in tests.
#pragma once

#include <functional>
#include <memory>

#include "libntfs/ntfs_scan_internal.h"

struct ntfs_library_s {
    std::function<int32_t(std::shared_ptr<block_device_c>, ntfs_scan_context *)> scan_startup =
        ntfs_scan_startup_device;
    std::function<int32_t(ntfs_scan_context *, ntfs_scan_record *)> scan_next = ntfs_scan_next;
    std::function<int32_t(ntfs_scan_context *)> scan_shutdown = ntfs_scan_shutdown;
    std::function<int32_t(ntfs_scan_context *, uint32_t, uint32_t, int, uint64_t, ntfs_unreadable_fn, void *)>
        recover_to = ntfs_recover_file_to;
    std::function<int32_t(ntfs_scan_context *, uint32_t, uint32_t)> data_state = ntfs_scan_data_state;
};
