#include "table_repair.h"

#include <QStringList>
#include <cstring>

#include "boot_sector_probe.h"
#include "mbr_writer.h"
#include "platform/gpt_layout.h"
#include "platform/mbr_layout.h"

namespace {

int fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return -1;
}

QString row_text(const partition_item_s &row, int k)
{
    return QStringLiteral("found partition %1 (%2, sectors %3 to %4)")
        .arg(k + 1)
        .arg(row.file_system)
        .arg(row.start_sector)
        .arg(row.end_sector);
}

QString entry_text(const partition_entry_s &p)
{
    return QStringLiteral("partition %1 (type 0x%2, sectors %3 to %4)")
        .arg(p.number)
        .arg(p.mbr_type, 2, 16, QLatin1Char('0'))
        .arg(p.first_sector)
        .arg(p.first_sector + p.sector_count - (p.sector_count ? 1 : 0));
}

bool has_gpt_header_at(block_device_c &disk, uint64_t lba)
{
    uint8_t sector[512];
    return disk.read_exact(lba * sizeof sector, sector, sizeof sector) &&
        memcmp(sector, gpt_signature, sizeof gpt_signature) == 0;
}

// A protective entry, or either GPT header: a GPT disk even when its
// protective MBR was lost.
bool is_gpt_disk(block_device_c &disk, const sector_bytes_t &sector0, uint64_t disk_sectors)
{
    for (size_t slot = 0; slot < mbr_entry_count; ++slot)
        if (decode_mbr_entry(sector0.data(), slot).type == mbr_type_gpt_protective)
            return true;
    return has_gpt_header_at(disk, 1) || (disk_sectors > 1 && has_gpt_header_at(disk, disk_sectors - 1));
}

// Whether the new table carries p at the same place and length.
bool keeps(const sector_bytes_t &new_sector, const partition_entry_s &p)
{
    if (p.extended || p.logical)
        return false; // the new table has no extended partition
    for (size_t slot = 0; slot < mbr_entry_count; ++slot) {
        const mbr_entry_fields_s e = decode_mbr_entry(new_sector.data(), slot);
        if (e.used() && e.first_lba == p.first_sector && e.sector_count == p.sector_count)
            return true;
    }
    return false;
}

int check_rows(const table_repair_plan_s &plan, uint64_t disk_sectors, QString *error)
{
    if (plan.rows.isEmpty())
        return fail(error,
                    QStringLiteral("no partition was found on %1; there is nothing to write").arg(plan.drive.name));
    const int used = static_cast<int>(qMin<qsizetype>(plan.rows.size(), mbr_entry_count));
    for (int k = 0; k < used; ++k) {
        const partition_item_s &row = plan.rows[k];
        if (row.start_sector == 0)
            return fail(error,
                        QStringLiteral("%1 starts at sector 0, where the partition table itself must go; "
                                       "the disk holds that file system without a partition table")
                            .arg(row_text(row, k)));
        if (row.end_sector >= disk_sectors)
            return fail(error,
                        QStringLiteral("%1 runs past the end of the disk, which has %2 sectors; the boot "
                                       "sector found there is stale or damaged")
                            .arg(row_text(row, k))
                            .arg(disk_sectors));
    }
    return 0;
}

int check_drops(table_repair_plan_s &plan, QString *error)
{
    QStringList unnamed;
    QList<int> lost;
    for (const partition_entry_s &p : plan.current.partitions) {
        if (keeps(plan.new_sector, p))
            continue;
        plan.dropped.append(p);
        lost.append(p.number);
        if (!plan.drop.contains(p.number))
            unnamed += entry_text(p);
    }
    for (int number : plan.drop)
        if (!lost.contains(number))
            return fail(error, QStringLiteral("partition %1 is not one the new table would drop").arg(number));
    if (unnamed.isEmpty())
        return 0;
    return fail(error,
                QStringLiteral("the new table would drop %1 of the current table; repair keeps every "
                               "existing partition unless it is named to be dropped")
                    .arg(unnamed.join(QStringLiteral(" and "))));
}

} // namespace

int plan_table_repair_on(block_device_c &disk, table_repair_plan_s &plan, QString *error)
{
    plan.ready = false;
    plan.dropped.clear();
    plan.current = partition_table_s{};
    const QString &name = plan.drive.name;
    if (plan.drive.is_header())
        return fail(error, QStringLiteral("no drive geometry to describe the partitions with"));
    if (disk.sector_size() != 512)
        return fail(error,
                    QStringLiteral("%1 has %2-byte sectors; only 512-byte sectors are supported")
                        .arg(name)
                        .arg(disk.sector_size()));
    if (!disk.read_exact(0, plan.old_sector.data(), plan.old_sector.size()))
        return fail(error, QStringLiteral("cannot read sector 0 of %1").arg(name));
    const uint64_t disk_sectors = disk.size() / 512;
    if (is_gpt_disk(disk, plan.old_sector, disk_sectors))
        return fail(error,
                    QStringLiteral("%1 has a GUID partition table (GPT); repair writes MBR tables only and "
                                   "would destroy it")
                        .arg(name));
    if (const char *kind = volume_boot_sector_kind(plan.old_sector.data()))
        return fail(error,
                    QStringLiteral("sector 0 of %1 is the boot sector of the %2 file system that starts at "
                                   "the disk's first sector (the disk has no partition table); writing a "
                                   "table there would destroy that file system")
                        .arg(name, QLatin1String(kind)));
    std::string why;
    partition_read_options_s options;
    options.sector_size = 512;
    if (!read_partition_table(disk, plan.current, &why, options))
        return fail(error, QString::fromStdString(why));
    if (check_rows(plan, disk_sectors, error) != 0)
        return -1;
    if (build_repaired_mbr(plan.old_sector, plan.rows, *plan.drive.geometry, plan.new_sector, error) != 0)
        return -1;
    plan.rows_left_out = qMax(0, static_cast<int>(plan.rows.size()) - static_cast<int>(mbr_entry_count));
    if (check_drops(plan, error) != 0)
        return -1;
    plan.ready = true;
    return 0;
}

int plan_table_repair(const drive_item_s &drive, const QList<partition_item_s> &rows, const QList<int> &drop,
                      table_repair_plan_s &plan, QString *error)
{
    plan = table_repair_plan_s{};
    plan.drive = drive;
    plan.rows = rows;
    plan.drop = drop;
    if (drive.is_header())
        return fail(error, QStringLiteral("no drive has been searched"));
    if (check_disk_not_in_use(drive.name, error) != 0)
        return -1;
    auto disk = open_disk_512(drive.name, open_mode_e::read, error);
    if (!disk)
        return -1;
    return plan_table_repair_on(*disk, plan, error);
}

int apply_table_repair(const table_repair_plan_s &plan, const QString &backup_folder, QString *backup_path,
                       QString *error)
{
    if (!plan.ready)
        return fail(error, QStringLiteral("the repair of %1 has not passed its checks").arg(plan.drive.name));
    // The disk may have been mounted or changed since the plan was shown.
    if (check_disk_not_in_use(plan.drive.name, error) != 0)
        return -1;
    auto make = [&](block_device_c &disk, const sector_bytes_t &old_sector, sector_bytes_t &next, QString *why) {
        table_repair_plan_s checked = plan;
        if (plan_table_repair_on(disk, checked, why) != 0)
            return -1;
        if (old_sector != plan.old_sector || checked.new_sector != plan.new_sector)
            return fail(why,
                        QStringLiteral("sector 0 of %1 changed since the repair was shown; search and "
                                       "preview again")
                            .arg(plan.drive.name));
        next = plan.new_sector;
        return 0;
    };
    return rewrite_sector_zero(plan.drive.name, make, backup_folder, backup_path, error);
}
