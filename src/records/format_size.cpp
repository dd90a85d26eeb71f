#include "format_size.h"

namespace {

// bytes / 2^shift with two decimals, rounded as QString::asprintf("%.2f")
// rounds (a tie away from zero), suffixed by unit. In integers: the quotient
// is exact in binary, and a listing of many rows spent more on asprintf than
// on everything else about a row.
QString two_decimals(quint64 bytes, int shift, char unit)
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
    char text[32];
    char *end = text + sizeof text;
    char *at = end;
    *--at = unit;
    *--at = static_cast<char>('0' + hundredths % 10);
    *--at = static_cast<char>('0' + hundredths / 10);
    *--at = '.';
    do {
        *--at = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units > 0);
    return QString::fromLatin1(at, static_cast<qsizetype>(end - at));
}

} // namespace

QString format_size(quint64 bytes)
{
    if (bytes <= 1024)
        return QString::number(bytes) + QLatin1Char('B');
    if (bytes <= 1048576)
        return two_decimals(bytes, 10, 'K');
    if (bytes <= 1073741824ULL)
        return two_decimals(bytes, 20, 'M');
    // Past 2^53 bytes the double the text came from was rounded first.
    if (bytes >> 53)
        return QString::asprintf("%.2fG", static_cast<double>(bytes) / 1073741824.0);
    return two_decimals(bytes, 30, 'G');
}
