// Finding block devices in sysfs by device number and by backing file.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// The sysfs folder of the block device with this device number; empty when
// there is none.
std::string block_sys_folder(dev_t device);

// The names ("loop3") of the loop devices whose backing file is file_path
// (an absolute path without symbolic links).
std::vector<std::string> loop_devices_of(const std::string &file_path);
