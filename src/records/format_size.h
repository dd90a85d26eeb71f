// The size text every list shows.
#pragma once

#include <QString>
#include <QtGlobal>

// "%dB", "%.2fK", "%.2fM", "%.2fG" in binary units.
QString format_size(quint64 bytes);
