// The size text every list shows.
#pragma once

#include <QString>
#include <QtGlobal>

// "%dB", "%.2fK", "%.2fM", "%.2fG" in binary units.
QString format_size(quint64 bytes);
// The same text into out (room for format_size_room bytes); its length.
// For listings of many rows, which need no string per size.
constexpr int format_size_room = 40;
int format_size_latin1(quint64 bytes, char *out);
