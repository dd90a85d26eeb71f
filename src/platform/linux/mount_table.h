// Mount points by device number, from the text of /proc/self/mountinfo.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

using device_number_t = std::pair<uint32_t, uint32_t>; // major, minor

// Every mount point of every device, in the order the table lists them.
// Malformed lines are skipped; octal escapes (\040 for a space) are decoded.
std::map<device_number_t, std::vector<std::string>> parse_mountinfo(const std::string &text);

// The mount table of this process; empty when it cannot be read.
std::map<device_number_t, std::vector<std::string>> read_mount_table();
