// Entry sets and the boot region on arbitrary bytes: the first 64 bytes are
// taken as a compressed up-case table (with its own checksum, so it loads),
// the rest as a folder's entries, parsed whole and set by set from every
// entry, each from a copy of exactly the bytes it may use (19 entries at
// most) so that a read past them is caught. Inputs of 12 sectors or more are
// also checked as a boot region.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "libexfat/exfat_boot.h"
#include "libexfat/exfat_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr size_t table = 64, entry = 32;
    if (size < table)
        return 0;
    exfat_upcase_c upcase;
    upcase.load(data, table, exfat_table_checksum(data, table));
    const std::vector<uint8_t> rest(data + table, data + size);
    std::vector<exfat_set_at_s> sets;
    exfat_walk_counts_s counts;
    exfat_parse_folder(rest.data(), rest.size(), upcase, sets, counts);
    // No set is longer than 19 entries: more than that would test nothing.
    for (size_t at = 0; at + entry <= rest.size(); at += entry) {
        const size_t take = std::min(rest.size() - at, 19 * entry);
        const std::vector<uint8_t> tail(rest.begin() + static_cast<ptrdiff_t>(at),
                                        rest.begin() + static_cast<ptrdiff_t>(at + take));
        exfat_set_s set;
        exfat_read_set(tail.data(), tail.size(), exfat_upcase_c(), set);
    }
    if (size >= 12 * 512) {
        exfat_geometry_s g;
        parse_exfat_boot(data, size, g);
        exfat_boot_checksum_ok(data, 512);
    }
    return 0;
}
