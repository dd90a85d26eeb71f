#include "format_size.h"

QString format_size(quint64 bytes)
{
    const double b = static_cast<double>(bytes);
    if (bytes <= 1024)
        return QString::asprintf("%dB", static_cast<int>(bytes));
    if (bytes <= 1048576)
        return QString::asprintf("%.2fK", b / 1024.0);
    if (bytes <= 1073741824ULL)
        return QString::asprintf("%.2fM", b / 1048576.0);
    return QString::asprintf("%.2fG", b / 1073741824.0);
}
