// The scan file of a deep scan: a 256-byte header holding the device path
// (zero-terminated, zero-padded), then the engine's 32-byte entries in table
// order. No magic, version or count: the length is 256 + 32 x N, N >= 1.
//
// Finds joined from pieces add a trailer after the entries, which files
// without joined finds do not have (and older files never have):
//   8 bytes  scan_file_pieces_magic
//   u64      length of what follows
//   per joined entry, by ascending index: u64 index, u64 piece count (>= 2),
//            then per piece u64 offset, u64 length
// The pieces of an entry run in file order, each after the one before, the
// first at the entry's offset, their lengths adding up to the entry's.
//
// Folders and files rebuilt from an old file system's structures add a
// second trailer after that (or after the entries), which older files never
// have; a file holding it may hold no entry:
//   8 bytes  scan_file_rebuilt_magic
//   u64      length of what follows
//   u64      folder count F (>= 1, the root first and implied), then per
//            folder after the root: u64 parent, i64 modified, u64 name
//            length in UTF-16 units, the units
//   u64      file count, then per file: u64 folder, the name as a folder's,
//            u64 size, i64 modified, i64 created, u64 bytes held, u64 bytes
//            in use now, u64 stretch count, per stretch u64 offset (all
//            ones: a hole of zeros), u64 length
// File k of it is row id N + k.
//
// Every file this version writes ends in a checksum, which files of older
// versions do not have:
//   8 bytes  scan_file_check_magic
//   u64      CRC-32 (zlib's) of every byte before the magic
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "records/volume_item.h"
#include "engines/raw/raw_item.h"
#include "engines/recovery_base.h"

constexpr size_t scan_file_header_size = 256;
// Where an entry would start, an index no table reaches.
constexpr char scan_file_pieces_magic[8] = {'P', 'I', 'E', 'C', 'E', 'S', '\0', '\1'};
constexpr char scan_file_rebuilt_magic[8] = {'R', 'E', 'B', 'U', 'I', 'L', 'T', '\1'};

// Parses a whole scan file. False (and out untouched, the reason in *why)
// for a checksum that does not hold, and unless the length is 256 + 32 x N
// with N >= 1, plus trailers that hold together, and every entry's stored
// index is its position, as the system writes it: rows use the index as the
// entry's place in the table. *checked says whether the file had a checksum.
bool parse_scan_file(const uint8_t *data, size_t size, std::string &device_path, std::vector<raw_item_s> &items,
                     raw_pieces_t *pieces = nullptr, std::string *why = nullptr, bool *checked = nullptr,
                     rebuilt_tree_s *rebuilt = nullptr);

// The device path a scan file stores for a volume: its name path without
// the trailing separator.
QString scan_file_device_path(const volume_item_s &volume);

// Writes the engine's results for volume, through a temporary file beside
// path that replaces it only once written whole. 0 written; -1 not written,
// with the reason in *error (results not kept in scan files, nothing found,
// a device path longer than the header holds, file not created or not
// written). Where path may lie is the caller's to check.
int save_results(const recovery_base_c &engine, const volume_item_s &volume, const QString &path, QString *error);

// The device path of an accepted file, its entries in *entries, the
// pieces of its joined entries in *pieces and its rebuilt tree in *rebuilt; an empty text for a refused or
// unreadable file (or anything but a regular file), with the reason in
// *why. *checked as for parse_scan_file.
QString read_scan_file(const QString &path, std::vector<raw_item_s> *entries, raw_pieces_t *pieces = nullptr,
                       QString *why = nullptr, bool *checked = nullptr, rebuilt_tree_s *rebuilt = nullptr);
