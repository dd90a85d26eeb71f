// Adds a disk image file the user chose to the disk table, after checking
// that it can be one: a readable, non-empty file of whole 512-byte sectors.
#pragma once

#include <QString>

enum class image_check_e {
    accepted,
    missing,
    folder,     // a directory, or anything else that is not a file or disk
    unreadable, // no read permission, or the read fails
    empty,
    partial_sector, // its size is not a whole number of sectors
};

// What a file would be refused for, without adding it.
image_check_e check_image_file(const QString &path);

// Checks the file and adds it to the disk table. accepted, or why not.
image_check_e add_checked_image(const QString &path);

// Why a file is refused, in a sentence for the command line.
QString image_check_reason(image_check_e check);

// How many volumes the disk table lists on that image (0 for an image whose
// table is wiped: it still serves the partition search).
int volumes_on_image(const QString &path);
