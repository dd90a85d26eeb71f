// Where a scan file may be written: never over what the scan reads, nor over
// a file that holds anything else.
#pragma once

#include <QString>

#include "records/volume_item.h"

// Whether a scan file of volume may be written at path: not over a device,
// fifo, folder or anything else that is not a regular file (symbolic links
// followed), not over the image being scanned, not onto the scanned volume,
// and not over an existing file that is not a scan file. False with the
// reason in *why.
bool may_save_scan_file(const QString &path, const volume_item_s &volume, QString *why);
