// Finding the volume or disk a user names: a volume's device path
// (/dev/sdb1), a mount path, a volume name path, or an image file (a
// whole-volume image, or a disk image's partition); a disk by device path,
// image file or disk-table number.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "platform/disks.h"

#include "records/volume_item.h"

// The disk table entry whose path is path (canonical), or -1.
int disk_index_of(const QString &path);

// Every volume of disk table entry disk_number.
std::vector<volume_info_s> volumes_of(int disk_number);

// Adds an image file to the disk table. False with the reason in *error.
bool add_image_file(const QString &path, QString *error);

// Resolves word (and partition, a number or empty) to a volume row. An image
// file is added to the disk table; a disk image with one partition needs no
// number. False with a readable reason in *error.
bool resolve_volume(const QString &word, const QString &partition, volume_item_s &out, QString *error);

// Resolves a whole disk: a block device path, a disk image file (added to the
// disk table) or a disk-table index. False with a reason in *error.
bool resolve_disk(const QString &word, int &disk_number, QString *error);

// The volume whose name path is exactly volume_path, among the volumes the
// platform lists and the partitions of the disks in the disk table (images
// added with add_image_file included), so that a volume with no file system
// left is found too. False when none is.
bool find_listed_volume(const QString &volume_path, volume_item_s &out);

// Opens the volume a row names for reading, through the disk table: the one
// device a scan and its restores read. Null when it is gone or cannot be
// opened.
std::shared_ptr<block_device_c> open_volume_item(const volume_item_s &volume);
