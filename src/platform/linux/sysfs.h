// Small reads of /sys attributes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// First line of a sysfs attribute without its newline; empty on failure.
std::string read_sysfs_line(const std::string &path);
bool read_sysfs_u64(const std::string &path, uint64_t &out);
// Names of the entries of a folder, sorted; empty when it cannot be read.
std::vector<std::string> list_folder(const std::string &path);
