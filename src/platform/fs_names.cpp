#include "fs_names.h"

std::string system_fs_name(const std::string &type, const std::string &version)
{
    if (type == "vfat")
        return version == "FAT32" ? "FAT32" : "FAT";
    if (type == "ntfs")
        return "NTFS";
    if (type == "exfat")
        return "exFAT";
    return type;
}
