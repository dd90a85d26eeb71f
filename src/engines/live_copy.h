// Copying a file that the file system still lists, from its mounted path.
#pragma once

#include <QString>
#include <string>

// Copies source to destination at the speed of the disks: 0 when the whole file
// was copied, -1 when either file cannot be opened or a read or write
// failed (the destination then keeps what was copied so far).
int copy_file(const std::wstring &source, const QString &destination);
