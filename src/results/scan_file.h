// The scan file of a deep scan: a 256-byte header holding the device path
// (zero-terminated, zero-padded), then the engine's 32-byte entries in table
// order. No magic, version or count: the length is 256 + 32 x N, N >= 1.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "engines/raw/raw_item.h"

class raw_recovery_c;

constexpr size_t scan_file_header_size = 256;

// Parses a whole scan file. False (and out untouched) unless the length is
// 256 + 32 x N with N >= 1 and every entry's stored index is below N, the
// index being what the rows use as the entry's position in the table.
bool parse_scan_file(const uint8_t *data, size_t size, std::string &device_path, std::vector<raw_item_s> &items);

// 0 written, -1 not written (empty table, file not created, write failed).
int save_results(const raw_recovery_c &engine, const QString &path);
// The device path of an accepted file, which replaces the engine's table and
// index and its device path; an empty text for a refused file, which leaves
// the engine as it was.
QString load_results(raw_recovery_c &engine, const QString &path);
