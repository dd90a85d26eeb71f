// Copying a file that the file system still lists, from its mounted path.
#pragma once

#include <string>

#include "platform/output_folder.h"

// Appends the whole file at source to out at the speed of the disks: 0 when
// it was copied, -1 when it cannot be opened or a read or write failed (out
// keeps what was copied and says why).
int copy_live_file(const std::wstring &source, output_file_c &out);
