// A name that stays with a disk when its device node changes, so a saved
// sector 0 is put back only on the disk it came from.
#pragma once

#include <string>

// The serial or world-wide name the system reports for a block device
// ("serial:..."), else its device path ("device:..."); for an image file, or a
// loop device over one, the file's absolute path ("file:..."). Empty when the
// path does not exist.
std::string disk_identity(const std::string &disk_path);
