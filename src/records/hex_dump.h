// The start of a file as a hex dump, for files no preview can draw.
#pragma once

#include <QByteArray>
#include <QString>

// At most this many bytes are dumped.
inline constexpr qsizetype k_hex_dump_limit = 64 * 1024;

// One line per 16 bytes, lines joined by '\n': the offset (8 hex digits),
// the bytes in hex (a wider gap after the eighth) and the bytes as text,
// printable ASCII as itself and anything else as '.'. A short last line is
// padded so that its text lines up. Bytes past k_hex_dump_limit are left out.
QString format_hex_dump(const QByteArray &bytes);
