#include "hex_dump.h"

namespace {

constexpr int k_per_line = 16;
const char k_digits[] = "0123456789abcdef";

void append_hex(QString &out, quint32 value, int digits)
{
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += QLatin1Char(k_digits[(value >> shift) & 0xF]);
}

} // namespace

QString format_hex_dump(const QByteArray &bytes)
{
    const qsizetype length = qMin(bytes.size(), k_hex_dump_limit);
    QString out;
    // 8 + 2 + 16 * 3 + 1 + 1 + 16 + newline characters a line.
    out.reserve((length / k_per_line + 1) * 77);
    for (qsizetype start = 0; start < length; start += k_per_line) {
        if (start > 0)
            out += QLatin1Char('\n');
        append_hex(out, static_cast<quint32>(start), 8);
        out += QLatin1String("  ");
        const qsizetype end = qMin(start + k_per_line, length);
        for (qsizetype i = start; i < start + k_per_line; ++i) {
            if (i == start + k_per_line / 2)
                out += QLatin1Char(' ');
            if (i < end)
                append_hex(out, static_cast<quint8>(bytes[i]), 2);
            else
                out += QLatin1String("  ");
            out += QLatin1Char(' ');
        }
        out += QLatin1Char(' ');
        for (qsizetype i = start; i < end; ++i) {
            const auto c = static_cast<quint8>(bytes[i]);
            out += QLatin1Char(c >= 0x20 && c < 0x7F ? char(c) : '.');
        }
    }
    return out;
}
