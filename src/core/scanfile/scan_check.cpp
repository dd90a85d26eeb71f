#include "scan_check.h"

#include <cstring>
#include <zlib.h>

#include "platform/le_bytes.h"

namespace {

uint64_t checksum_of(const uint8_t *data, size_t size)
{
    return crc32_z(crc32_z(0, nullptr, 0), data, size);
}

} // namespace

QByteArray scan_check_trailer(const QByteArray &contents)
{
    uint8_t sum[8];
    put_le64(sum, checksum_of(reinterpret_cast<const uint8_t *>(contents.constData()),
                              static_cast<size_t>(contents.size())));
    return QByteArray(scan_file_check_magic, sizeof scan_file_check_magic) +
        QByteArray(reinterpret_cast<const char *>(sum), sizeof sum);
}

scan_check_e read_scan_check(const uint8_t *data, size_t size)
{
    if (size < scan_file_check_size)
        return scan_check_e::absent;
    const size_t at = size - scan_file_check_size;
    if (memcmp(data + at, scan_file_check_magic, sizeof scan_file_check_magic) != 0)
        return scan_check_e::absent;
    return le64_at(data + at + sizeof scan_file_check_magic) == checksum_of(data, at) ? scan_check_e::matches
                                                                                       : scan_check_e::fails;
}
