#include "mbr_writer.h"

#include <cstring>
#include <limits>

#include "core/partitions/boot/mbr_boot_code.h"
#include "platform/disks.h"
#include "platform/le_bytes.h"

chs_address_s chs_address_for(uint64_t lba, uint32_t heads, uint32_t sectors_per_track)
{
    chs_address_s a;
    if (heads == 0 || sectors_per_track == 0 || heads > 255 || sectors_per_track > 63) {
        a.cylinder = 1024; // encodes as FE FF FF
    } else {
        uint64_t track = lba / sectors_per_track;
        uint64_t cylinder = track / heads;
        a.cylinder = cylinder > 1023 ? 1024 : static_cast<uint32_t>(cylinder);
        a.head = static_cast<uint32_t>(track % heads);
        a.sector = static_cast<uint32_t>(lba % sectors_per_track) + 1;
    }
    return a;
}

static_assert(sizeof(sector_bytes_t) == mbr_size);

int build_repaired_mbr(const sector_bytes_t &old_sector, const QList<partition_item_s> &rows,
                       const disk_geometry_s &geometry, sector_bytes_t &out, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return -1;
    };
    if (rows.isEmpty())
        return fail(QStringLiteral("no partition was found; nothing to write"));
    constexpr uint64_t max_u32 = std::numeric_limits<uint32_t>::max();
    const int used = static_cast<int>(qMin<qsizetype>(rows.size(), mbr_entry_count));
    for (int k = 0; k < used; ++k) {
        const partition_item_s &row = rows[k];
        // Truncated fields would point the entry at someone else's sectors.
        if (row.end_sector < row.start_sector || row.start_sector > max_u32 ||
            row.end_sector - row.start_sector >= max_u32)
            return fail(QStringLiteral("partition %1 (sectors %2 to %3) cannot be described by an MBR entry")
                            .arg(k + 1)
                            .arg(row.start_sector)
                            .arg(row.end_sector));
    }

    out = old_sector;
    static_assert(sizeof(mbr_boot_code) == mbr_disk_signature_offset);
    memcpy(out.data(), mbr_boot_code, sizeof(mbr_boot_code));
    memset(out.data() + mbr_entries_offset, 0, mbr_entry_size * mbr_entry_count);
    bool active_given = false;
    for (int k = 0; k < used; ++k) {
        const partition_item_s &row = rows[k];
        mbr_entry_fields_s entry;
        // Only the first entry that is not an extended partition is active; a
        // second active entry or a status byte other than 0x00/0x80 makes
        // loaders and the kernel reject the table.
        const bool active = !active_given && !mbr_type_is_extended(static_cast<uint8_t>(row.type_id));
        active_given = active_given || active;
        entry.status = active ? mbr_status_active : 0x00;
        entry.first_chs = chs_address_for(row.start_sector, geometry.tracks_per_cylinder, geometry.sectors_per_track);
        entry.last_chs = chs_address_for(row.end_sector, geometry.tracks_per_cylinder, geometry.sectors_per_track);
        entry.type = static_cast<uint8_t>(row.type_id);
        entry.first_lba = static_cast<uint32_t>(row.start_sector);
        entry.sector_count = static_cast<uint32_t>(row.end_sector - row.start_sector + 1);
        encode_mbr_entry(out.data(), k, entry);
    }
    put_le16(out.data() + mbr_boot_signature_offset, mbr_boot_signature);
    return 0;
}
