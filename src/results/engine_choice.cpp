#include "engine_choice.h"

#include "engines/fat/fat_recovery.h"
#include "engines/ntfs/ntfs_recovery.h"
#include "engines/raw/raw_recovery.h"

int choose_engine(const QString &file_system, bool deep, engine_kind_e *kind)
{
    if (deep)
        *kind = engine_raw;
    else if (file_system == QLatin1String("NTFS"))
        *kind = engine_ntfs;
    else if (file_system.left(3) == QLatin1String("FAT"))
        *kind = engine_fat;
    else
        return -1;
    return 0;
}

std::unique_ptr<recovery_base_c> make_engine(engine_kind_e kind)
{
    switch (kind) {
    case engine_fat:
        return std::make_unique<fat_recovery_c>();
    case engine_raw: {
        auto raw = std::make_unique<raw_recovery_c>();
        raw->load_config();
        return raw;
    }
    case engine_ntfs:
        return std::make_unique<ntfs_recovery_c>();
    }
    return nullptr;
}

const char *engine_kind_name(engine_kind_e kind)
{
    switch (kind) {
    case engine_fat:
        return "FAT";
    case engine_ntfs:
        return "NTFS";
    case engine_raw:
        return "deep scan";
    }
    return "unknown";
}
