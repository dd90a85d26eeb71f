// File-system names as the system reports them to its users.
#pragma once

#include <string>

// blkid TYPE and VERSION -> "FAT32", "FAT" (FAT12/16), "NTFS", "exFAT", or
// the TYPE itself for anything else.
std::string system_fs_name(const std::string &type, const std::string &version);
