#include "gpt_writer.h"

#include <QUuid>
#include <algorithm>
#include <cstring>

#include "platform/gpt_layout.h"
#include "platform/le_bytes.h"
#include "platform/mbr_layout.h"

namespace {

constexpr uint32_t gpt_entries = 128;

// "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7" in its stored (mixed-endian) bytes.
guid_bytes_t guid_from_text(const char *text)
{
    const QByteArray b = QUuid(QLatin1String(text)).toRfc4122();
    guid_bytes_t g{};
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        g[i] = static_cast<uint8_t>(b[order[i]]);
    return g;
}

void seal_header(uint8_t *header)
{
    put_le32(header + gpt_header_header_crc32, 0);
    put_le32(header + gpt_header_header_crc32, gpt_crc32(header, gpt_header_size));
}

QByteArray header_sector(const guid_bytes_t &disk_guid, quint64 current, quint64 other, quint64 entries_lba,
                         quint64 disk_sectors, const QByteArray &array)
{
    QByteArray bytes(512, 0);
    uint8_t *h = reinterpret_cast<uint8_t *>(bytes.data());
    memcpy(h, gpt_signature, sizeof gpt_signature);
    put_le32(h + gpt_header_revision, 0x00010000);
    put_le32(h + gpt_header_header_size, gpt_header_size);
    put_le64(h + gpt_header_current_lba, current);
    put_le64(h + gpt_header_backup_lba, other);
    put_le64(h + gpt_header_first_usable_lba, gpt_first_usable);
    put_le64(h + gpt_header_last_usable_lba, disk_sectors - 2 - gpt_array_sectors);
    memcpy(h + gpt_header_disk_guid, disk_guid.data(), 16);
    put_le64(h + gpt_header_entries_lba, entries_lba);
    put_le32(h + gpt_header_entry_count, gpt_entries);
    put_le32(h + gpt_header_entry_size, gpt_min_entry_size);
    put_le32(h + gpt_header_entries_crc32,
             gpt_crc32(reinterpret_cast<const uint8_t *>(array.constData()), static_cast<size_t>(array.size())));
    seal_header(h);
    return bytes;
}

} // namespace

guid_bytes_t new_gpt_guid()
{
    return guid_from_text(QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1().constData());
}

guid_bytes_t gpt_type_for(const QString &file_system)
{
    if (file_system.startsWith(QLatin1String("FAT")) || file_system == QLatin1String("NTFS") ||
        file_system == QLatin1String("exFAT"))
        return guid_from_text("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
    if (file_system == QLatin1String("swap"))
        return guid_from_text("0657FD6D-A4AB-43C4-84E5-0933C84B4F4F");
    return guid_from_text("0FC63DAF-8483-4772-8E79-3D69D8477DE4");
}

bool surviving_disk_guid(block_device_c &disk, guid_bytes_t &guid)
{
    const quint64 disk_sectors = disk.size() / 512;
    for (quint64 lba : {quint64{1}, disk_sectors - 1}) {
        uint8_t sector[512];
        if (disk_sectors < 2 || !disk.read_exact(lba * 512, sector, sizeof sector) ||
            memcmp(sector, gpt_signature, sizeof gpt_signature) != 0)
            continue;
        std::copy_n(sector + gpt_header_disk_guid, 16, guid.begin());
        if (guid != guid_bytes_t{})
            return true;
    }
    return false;
}

sector_bytes_t protective_mbr(const sector_bytes_t &old_sector, quint64 disk_sectors)
{
    sector_bytes_t s{};
    std::copy_n(old_sector.begin(), mbr_entries_offset, s.begin());
    mbr_entry_fields_s e;
    e.type = mbr_type_gpt_protective;
    e.first_chs = chs_address_s{0, 0, 2};
    e.last_chs = chs_address_s{1024, 0, 0};
    e.first_lba = 1;
    e.sector_count = static_cast<uint32_t>(std::min<quint64>(disk_sectors - 1, 0xFFFFFFFFu));
    encode_mbr_entry(s.data(), 0, e);
    put_le16(s.data() + mbr_boot_signature_offset, mbr_boot_signature);
    return s;
}

void mirror_gpt_copy(const gpt_copy_s &whole, bool to_primary, quint64 disk_sectors, sector_writes_t &writes)
{
    const quint64 last = disk_sectors - 1;
    const quint64 array_sectors = (whole.entries.size() + 511) / 512;
    const quint64 current = to_primary ? 1 : last;
    const quint64 entries_lba = to_primary ? 2 : last - array_sectors;
    QByteArray header(reinterpret_cast<const char *>(whole.header.data()), 512);
    uint8_t *h = reinterpret_cast<uint8_t *>(header.data());
    put_le64(h + gpt_header_current_lba, current);
    put_le64(h + gpt_header_backup_lba, to_primary ? last : 1);
    put_le64(h + gpt_header_entries_lba, entries_lba);
    put_le32(h + gpt_header_header_crc32, 0);
    put_le32(h + gpt_header_header_crc32, gpt_crc32(h, le32_at(h + gpt_header_header_size)));
    QByteArray array(static_cast<qsizetype>(array_sectors * 512), 0);
    memcpy(array.data(), whole.entries.data(), whole.entries.size());
    writes.append({current, header});
    writes.append({entries_lba, array});
}

int build_new_gpt(const QList<partition_item_s> &rows, const partition_table_s &current, const guid_bytes_t &disk_guid,
                  quint64 disk_sectors, sector_writes_t &writes, QList<partition_entry_s> &entries, QString *error)
{
    const quint64 last_usable = disk_sectors > 2 * gpt_first_usable ? disk_sectors - 2 - gpt_array_sectors : 0;
    if (rows.size() > static_cast<int>(gpt_entries)) {
        if (error)
            *error = QStringLiteral("%1 partitions were found; a GUID partition table holds %2").arg(rows.size()).arg(gpt_entries);
        return -1;
    }
    QByteArray array(static_cast<qsizetype>(gpt_array_sectors * 512), 0);
    entries.clear();
    for (int k = 0; k < rows.size(); ++k) {
        const partition_item_s &row = rows[k];
        if (row.start_sector < gpt_first_usable || row.end_sector > last_usable) {
            if (error)
                *error = QStringLiteral("the %1 partition at sectors %2 to %3 lies where a GUID partition table "
                                        "keeps its own sectors (%4 to %5 are free)")
                             .arg(row.file_system)
                             .arg(row.start_sector)
                             .arg(row.end_sector)
                             .arg(gpt_first_usable)
                             .arg(last_usable);
            return -1;
        }
        partition_entry_s e;
        e.number = k + 1;
        e.first_sector = row.start_sector;
        e.sector_count = row.end_sector - row.start_sector + 1;
        e.gpt_type = gpt_type_for(row.file_system);
        for (const partition_entry_s &old : current.partitions)
            if (old.first_sector == e.first_sector && old.sector_count == e.sector_count &&
                old.gpt_type != guid_bytes_t{})
                e.gpt_type = old.gpt_type;
        uint8_t *p = reinterpret_cast<uint8_t *>(array.data()) + k * gpt_min_entry_size;
        memcpy(p + gpt_entry_type_guid, e.gpt_type.data(), 16);
        const guid_bytes_t unique = new_gpt_guid();
        memcpy(p + gpt_entry_unique_guid, unique.data(), 16);
        put_le64(p + gpt_entry_first_lba, row.start_sector);
        put_le64(p + gpt_entry_last_lba, row.end_sector);
        entries += e;
    }
    const quint64 last = disk_sectors - 1;
    const quint64 backup_array = last - gpt_array_sectors;
    writes.append({1, header_sector(disk_guid, 1, last, 2, disk_sectors, array)});
    writes.append({2, array});
    writes.append({backup_array, array});
    writes.append({last, header_sector(disk_guid, last, 1, backup_array, disk_sectors, array)});
    return 0;
}

