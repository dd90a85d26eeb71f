// What the system's own file-system probers see from a sector of a disk or
// image on, for the file systems the partition search does not check itself.
#pragma once

#include <cstdint>
#include <string>

// The file system whose superblock starts offset bytes into path, named as
// system_fs_name names it; empty for none, or for two that contend.
std::string region_file_system(const std::string &path, uint64_t offset);
