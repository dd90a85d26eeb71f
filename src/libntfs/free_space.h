// Free space of an NTFS volume as the file system counts it: the clear bits
// of $Bitmap, one per cluster.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/block_device.h"

// False when the volume, its $MFT or its $Bitmap cannot be read, or the
// bitmap is too large to read for a listing.
bool ntfs_free_bytes(std::shared_ptr<block_device_c> device, uint64_t &free_bytes);
