// Which engine scans a volume, chosen as the recovery page does: the raw
// engine for a deep scan, the NTFS engine for "NTFS", the FAT engine for a
// file-system name starting with "FAT"; any other volume is refused.
#pragma once

#include <QString>
#include <memory>

#include "engines/recovery_base.h"
#include "recovery_item.h"

// 0 with *kind set, or -1 when no engine takes the volume.
int choose_engine(const QString &file_system, bool deep, engine_kind_e *kind);

// A fresh engine of that kind; null when this build has none.
std::unique_ptr<recovery_base_c> make_engine(engine_kind_e kind);

const char *engine_kind_name(engine_kind_e kind);
