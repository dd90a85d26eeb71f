// The NTFS boot sector: is this NTFS, and how big are its units.
#pragma once

#include <cstdint>

#include "platform/le_bytes.h"

struct ntfs_geometry_s {
    uint32_t sector_size = 0;
    uint32_t cluster_size = 0;
    uint32_t record_size = 0; // bytes per MFT record
    uint64_t total_clusters = 0;
    uint64_t mft_lcn = 0;
    uint64_t volume_bytes = 0; // total sectors times sector size
};

// Validates the boot sector and derives the geometry. False for anything that
// is not a plausible NTFS boot sector.
bool parse_boot_sector(byte_view_s sector, ntfs_geometry_s &out);
