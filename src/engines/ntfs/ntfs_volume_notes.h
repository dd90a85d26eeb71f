// What the NTFS engine tells the user about how far a volume could be read.
#pragma once

#include <QString>

#include "libntfs/ntfs_scan.h"

// Why a library scan could not start (result is startup's negative code).
QString ntfs_startup_error(int32_t result, const ntfs_scan_context &context);

// After a scan that started: a boot sector read from its backup copy, a
// device that ends before the volume does; empty when neither.
QString ntfs_scan_notes(const ntfs_scan_context &context);
