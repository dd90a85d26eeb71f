#include "format_size.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace {

// Units, most significant first, ending at end; where they start.
char *put_units(char *end, quint64 units)
{
    do {
        *--end = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units > 0);
    return end;
}

// bytes / 2^shift with two decimals, rounded as QString::asprintf("%.2f")
// rounds (a tie away from zero), suffixed by unit. In integers: the quotient
// is exact in binary, and a listing of many rows spent more on asprintf than
// on everything else about a row.
char *two_decimals(char *end, quint64 bytes, int shift, char unit)
{
    const quint64 whole = bytes >> shift;
    const quint64 part = bytes & ((quint64{1} << shift) - 1);
    // part * 100 fits: part < 2^30.
    quint64 hundredths = (part * 100 + (quint64{1} << (shift - 1))) >> shift;
    quint64 units = whole;
    if (hundredths == 100) {
        ++units;
        hundredths = 0;
    }
    char *at = end;
    *--at = unit;
    *--at = static_cast<char>('0' + hundredths % 10);
    *--at = static_cast<char>('0' + hundredths / 10);
    *--at = '.';
    return put_units(at, units);
}

} // namespace

int format_size_latin1(quint64 bytes, char *out)
{
    char text[format_size_room];
    char *end = text + sizeof text, *at = end;
    if (bytes <= 1024) {
        *--at = 'B';
        at = put_units(at, bytes);
    } else if (bytes <= 1048576) {
        at = two_decimals(end, bytes, 10, 'K');
    } else if (bytes <= 1073741824ULL) {
        at = two_decimals(end, bytes, 20, 'M');
    } else if (bytes >> 53) {
        // Past 2^53 bytes the double the text came from was rounded first.
        const QByteArray big = QString::asprintf("%.2fG", static_cast<double>(bytes) / 1073741824.0).toLatin1();
        const int n = static_cast<int>(std::min<qsizetype>(big.size(), format_size_room));
        memcpy(out, big.constData(), static_cast<size_t>(n));
        return n;
    } else {
        at = two_decimals(end, bytes, 30, 'G');
    }
    memcpy(out, at, static_cast<size_t>(end - at));
    return static_cast<int>(end - at);
}

QString format_size(quint64 bytes)
{
    char text[format_size_room];
    return QString::fromLatin1(text, format_size_latin1(bytes, text));
}
