// Sizes and name order of a listing, computed without Qt's formatting and
// folding, must read as Qt's did.
#include <gtest/gtest.h>

#include <QStringList>

#include "records/format_size.h"
#include "records/found_tree_walk.h"

// Catches: a size rounded half to even (printf) where Qt rounds half away
// from zero (1152 bytes are 1.125K: "1.13K"), a carry lost at 99.995, and
// the wrong unit at either side of each boundary.
TEST(listing_text, sizes_read_as_qt_formatted_them)
{
    auto qt = [](quint64 bytes) {
        const double b = static_cast<double>(bytes);
        if (bytes <= 1024)
            return QString::asprintf("%dB", static_cast<int>(bytes));
        if (bytes <= 1048576)
            return QString::asprintf("%.2fK", b / 1024.0);
        if (bytes <= 1073741824ULL)
            return QString::asprintf("%.2fM", b / 1048576.0);
        return QString::asprintf("%.2fG", b / 1073741824.0);
    };
    std::vector<quint64> sizes = {0, 1, 1023, 1024, 1025, 1152, 1664, 102394, 1048575, 1048576, 1048577,
                                  1073741823, 1073741824, 1073741825, (1ull << 53) + 1, ~0ull};
    for (int shift : {10, 20, 30})
        for (quint64 whole = 1; whole < 1000; whole += 37)
            for (quint64 eighth = 0; eighth < 8; ++eighth) {
                const quint64 tie = (whole << shift) + (eighth << shift) / 8;
                sizes.insert(sizes.end(), {tie - 1, tie, tie + 1});
            }
    for (quint64 bytes : sizes)
        ASSERT_EQ(format_size(bytes), qt(bytes)) << bytes;
}

// Catches: an ASCII shortcut that orders differently from Qt's folding
// compare, at a difference in case only, a prefix, or a name that leaves
// ASCII partway.
TEST(listing_text, names_order_as_qt_folding_compare_orders_them)
{
    const QStringList names = {QStringLiteral("a"),       QStringLiteral("A"),    QStringLiteral("b"),
                               QStringLiteral("B1"),      QStringLiteral("b1"),   QStringLiteral("_x"),
                               QStringLiteral("[x"),      QStringLiteral("`x"),   QStringLiteral("ab"),
                               QString::fromUtf8("\xc3\xa9t\xc3\xa9"), QString::fromUtf8("\xc3\x89T\xc3\x89"),
                               QString::fromUtf8("a\xc3\x9f"), QString::fromUtf8("A\xc3\x9f"), QStringLiteral("")};
    for (const QString &a : names)
        for (const QString &b : names) {
            const int folded = a.compare(b, Qt::CaseInsensitive);
            EXPECT_EQ(name_less(a, b), folded != 0 ? folded < 0 : a < b) << qPrintable(a) << " " << qPrintable(b);
        }
}
