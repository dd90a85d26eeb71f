#include "table_layout.h"

#include <algorithm>

#include "mbr_writer.h"
#include "platform/disks.h"
#include "platform/mbr_layout.h"

namespace {

// How far before a logical its EBR goes when there is room: formatters
// align logicals 1 MiB after their EBR.
constexpr quint64 ebr_lead = 2048;

int fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return -1;
}

quint64 end_before(const QList<partition_item_s> &rows, int k)
{
    return k > 0 ? rows[k - 1].end_sector : 0;
}

// Places the EBR of each row of [first, last] (ext_first for the first);
// false when a row leaves no free sector before it.
bool place_ebrs(const QList<partition_item_s> &rows, int first, int last, quint64 ext_first, QList<quint64> &ebrs)
{
    ebrs.clear();
    for (int k = first; k <= last; ++k) {
        const quint64 before = end_before(rows, k);
        const quint64 ebr =
            k == first ? ext_first : std::max(before + 1, rows[k].start_sector > ebr_lead ? rows[k].start_sector - ebr_lead : 0);
        if (ebr >= rows[k].start_sector || ebr <= before || (k == first && ebr == 0))
            return false;
        ebrs += ebr;
    }
    return true;
}

partition_item_s extended_row(quint64 first, quint64 last)
{
    return partition_item_s{QString(), mbr_extended_type, first, last};
}

void fill(const QList<partition_item_s> &rows, int first, int last, quint64 ext_first, quint64 ext_last,
          const QList<quint64> &ebrs, mbr_layout_s &out)
{
    out = mbr_layout_s{};
    for (int k = 0; k < rows.size(); ++k) {
        if (k == first)
            out.primaries += extended_row(ext_first, ext_last);
        if (k >= first && k <= last)
            out.logicals += rows[k];
        else
            out.primaries += rows[k];
    }
    out.ebrs = ebrs;
}

} // namespace

int lay_out_mbr(QList<partition_item_s> rows, const partition_table_s &current, mbr_layout_s &out, QString *error)
{
    std::sort(rows.begin(), rows.end(),
              [](const partition_item_s &a, const partition_item_s &b) { return a.start_sector < b.start_sector; });
    for (int k = 1; k < rows.size(); ++k)
        if (rows[k].start_sector <= rows[k - 1].end_sector)
            return fail(error, QStringLiteral("the partitions at sectors %1 and %2 overlap")
                                   .arg(rows[k - 1].start_sector)
                                   .arg(rows[k].start_sector));
    const auto extended = std::find_if(current.partitions.begin(), current.partitions.end(),
                                       [](const partition_entry_s &p) { return p.extended; });
    QList<quint64> ebrs;
    if (extended != current.partitions.end()) {
        // The extended partition on the disk stays and holds what lies in it.
        const quint64 ext_first = extended->first_sector, ext_last = ext_first + extended->sector_count - 1;
        int first = -1, last = -1;
        for (int k = 0; k < rows.size(); ++k) {
            const bool inside = rows[k].start_sector > ext_first && rows[k].end_sector <= ext_last;
            const bool crosses = rows[k].start_sector <= ext_last && rows[k].end_sector >= ext_first;
            if (inside) {
                first = first < 0 ? k : first;
                last = k;
            } else if (crosses) {
                return fail(error, QStringLiteral("the partition at sector %1 crosses the extended partition "
                                                  "(sectors %2 to %3)")
                                       .arg(rows[k].start_sector)
                                       .arg(ext_first)
                                       .arg(ext_last));
            }
        }
        if (first < 0) {
            first = last = static_cast<int>(std::lower_bound(rows.begin(), rows.end(), ext_first,
                                                             [](const partition_item_s &r, quint64 s) {
                                                                 return r.start_sector < s;
                                                             }) -
                                            rows.begin());
            out = mbr_layout_s{};
            for (int k = 0; k <= rows.size(); ++k) {
                if (k == first)
                    out.primaries += extended_row(ext_first, ext_last);
                if (k < rows.size())
                    out.primaries += rows[k];
            }
        } else {
            if (!place_ebrs(rows, first, last, ext_first, ebrs))
                return fail(error, QStringLiteral("a logical partition leaves no room for its boot record"));
            fill(rows, first, last, ext_first, ext_last, ebrs, out);
        }
        if (out.primaries.size() > static_cast<int>(mbr_entry_count))
            return fail(error, QStringLiteral("%1 partitions lie outside the extended partition; an MBR holds four")
                                   .arg(out.primaries.size() - 1));
        return 0;
    }
    if (rows.size() <= static_cast<int>(mbr_entry_count)) {
        out = mbr_layout_s{};
        out.primaries = rows;
        return 0;
    }
    // The longest run of rows that can be logicals, leaving at most three
    // primaries beside the extended partition; the disk's first partition
    // stays a primary where it can (it is the one a disk boots from).
    const int n = static_cast<int>(rows.size());
    // Runs after the first row come first (pass 0), then runs from it.
    for (int pass = 0; pass < 2; ++pass) {
        for (int length = n - 1 + pass; length >= n - static_cast<int>(mbr_entry_count) + 1; --length) {
            const int lowest = pass == 0 ? 1 : 0, highest = pass == 0 ? n - length : 0;
            for (int first = lowest; first <= highest; ++first) {
                const int last = first + length - 1;
                const quint64 start = rows[first].start_sector;
                const quint64 ext_first =
                    std::max(end_before(rows, first) + 1, start > ebr_lead ? start - ebr_lead : 0);
                if (place_ebrs(rows, first, last, ext_first, ebrs)) {
                    fill(rows, first, last, ext_first, rows[last].end_sector, ebrs, out);
                    return 0;
                }
            }
        }
    }
    return fail(error, QStringLiteral("%1 partitions were found and too few leave room for the boot record a "
                                      "logical partition needs; an MBR cannot hold them")
                           .arg(n));
}

QList<partition_entry_s> mbr_layout_entries(const mbr_layout_s &layout)
{
    QList<partition_entry_s> entries;
    bool active_given = false;
    auto add = [&](const partition_item_s &row, int number, bool logical) {
        partition_entry_s e;
        e.number = number;
        e.first_sector = row.start_sector;
        e.sector_count = row.end_sector - row.start_sector + 1;
        e.mbr_type = static_cast<uint8_t>(row.type_id);
        e.extended = mbr_type_is_extended(e.mbr_type) && !logical;
        e.logical = logical;
        // The entry build_repaired_mbr marks active.
        e.bootable = !logical && !e.extended && !active_given;
        active_given = active_given || e.bootable;
        entries += e;
    };
    for (int k = 0; k < layout.primaries.size(); ++k)
        add(layout.primaries[k], k + 1, false);
    for (int k = 0; k < layout.logicals.size(); ++k)
        add(layout.logicals[k], k + 5, true);
    return entries;
}

int build_mbr_writes(const mbr_layout_s &layout, const sector_bytes_t &old_sector, const disk_geometry_s &geometry,
                     sector_writes_t &writes, QString *error)
{
    writes.clear();
    sector_bytes_t sector0{};
    if (build_repaired_mbr(old_sector, layout.primaries, geometry, sector0, error) != 0)
        return -1;
    writes.append({0, QByteArray(reinterpret_cast<const char *>(sector0.data()), 512)});
    const auto extended = std::find_if(layout.primaries.begin(), layout.primaries.end(),
                                       [](const partition_item_s &r) { return r.type_id == mbr_extended_type; });
    const quint64 ext_first = extended == layout.primaries.end() ? 0 : extended->start_sector;
    auto chs = [&](quint64 lba) { return chs_address_for(lba, geometry.tracks_per_cylinder, geometry.sectors_per_track); };
    for (int k = 0; k < layout.logicals.size(); ++k) {
        const partition_item_s &row = layout.logicals[k];
        const quint64 ebr = layout.ebrs[k];
        QByteArray bytes(512, 0);
        uint8_t *s = reinterpret_cast<uint8_t *>(bytes.data());
        mbr_entry_fields_s logical;
        logical.type = static_cast<uint8_t>(row.type_id);
        logical.first_chs = chs(row.start_sector);
        logical.last_chs = chs(row.end_sector);
        logical.first_lba = static_cast<uint32_t>(row.start_sector - ebr);
        logical.sector_count = static_cast<uint32_t>(row.end_sector - row.start_sector + 1);
        encode_mbr_entry(s, 0, logical);
        if (k + 1 < layout.logicals.size()) {
            // The link is relative to the extended partition and spans the
            // next EBR and its logical.
            const quint64 next_ebr = layout.ebrs[k + 1];
            mbr_entry_fields_s link;
            link.type = mbr_extended_type;
            link.first_chs = chs(next_ebr);
            link.last_chs = chs(layout.logicals[k + 1].end_sector);
            link.first_lba = static_cast<uint32_t>(next_ebr - ext_first);
            link.sector_count = static_cast<uint32_t>(layout.logicals[k + 1].end_sector - next_ebr + 1);
            encode_mbr_entry(s, 1, link);
        }
        put_le16(s + mbr_boot_signature_offset, mbr_boot_signature);
        writes.append({ebr, bytes});
    }
    return 0;
}
