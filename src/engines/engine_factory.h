// Which engine scans a volume, as the recovery page chooses it: the raw
// engine for a deep scan, the NTFS engine for "NTFS", the exFAT engine for
// "exFAT", the FAT engine for a file-system name starting with "FAT"; any
// other volume is refused.
#pragma once

#include <QString>
#include <memory>

#include "recovery_base.h"

// Whether some engine takes a volume with that file-system name.
bool engine_takes(const QString &file_system, bool deep);

// A fresh engine for the volume, ready for reset, set_volume and start;
// null when no engine takes it.
std::unique_ptr<recovery_base_c> select_engine(const QString &file_system, bool deep);
