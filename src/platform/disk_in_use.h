// Whether the system is using a whole disk, so that rewriting its partition
// table would pull the ground from under a mounted file system.
#pragma once

#include <string>
#include <vector>

// One line per user of the disk or of one of its partitions, such as
// "/dev/sdb1 is mounted on /media/data". For an image file the loop devices
// attached to it count as the disk. Empty when nothing uses it.
std::vector<std::string> disk_users(const std::string &disk_path);
