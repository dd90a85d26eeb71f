// The scan file's closing checksum (layout in scan_file.h).
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// Read as a little-endian number its top bit is set: no offset or length of
// a real volume, so the last entry or piece of a file without the checksum
// is never taken for it.
constexpr char scan_file_check_magic[8] = {'C', 'R', 'C', '3', '2', '\0', '\0', '\x80'};
constexpr size_t scan_file_check_size = sizeof scan_file_check_magic + 8;

// The trailer that closes a file whose bytes before it are contents.
QByteArray scan_check_trailer(const QByteArray &contents);

enum class scan_check_e { absent, matches, fails };
// Whether data ends in the checksum trailer and whether the checksum holds
// for every byte before it.
scan_check_e read_scan_check(const uint8_t *data, size_t size);
