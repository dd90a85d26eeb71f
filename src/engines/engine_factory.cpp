#include "engine_factory.h"

#include "engines/exfat/exfat_recovery.h"
#include "engines/fat/fat_recovery.h"
#include "engines/ntfs/ntfs_recovery.h"
#include "engines/raw/raw_recovery.h"

bool engine_takes(const QString &file_system, bool deep)
{
    return deep || file_system == QLatin1String("NTFS") || file_system == QLatin1String("exFAT") ||
        file_system.left(3) == QLatin1String("FAT");
}

std::unique_ptr<recovery_base_c> select_engine(const QString &file_system, bool deep)
{
    if (!engine_takes(file_system, deep))
        return nullptr;
    if (deep) {
        auto raw = std::make_unique<raw_recovery_c>();
        raw->load_config();
        return raw;
    }
    if (file_system == QLatin1String("NTFS"))
        return std::make_unique<ntfs_recovery_c>();
    if (file_system == QLatin1String("exFAT"))
        return std::make_unique<exfat_recovery_c>();
    return std::make_unique<fat_recovery_c>();
}
