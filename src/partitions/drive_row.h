// A drive row for a disk named by its path (block device or image file).
#pragma once

#include <QString>

#include "devices/drive_item.h"

// Opens the disk to learn its size and sector size. The geometry is the usual
// translation of 255 heads and 63 sectors per track. False with *error when
// the disk cannot be opened.
bool make_drive_row(const QString &path, drive_item_s &out, QString *error);
