#include "table_repair.h"

#include <QStringList>
#include <algorithm>
#include <cstring>

#include "boot_sector_probe.h"
#include "gpt_writer.h"
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
    const QString kind = p.gpt_type != guid_bytes_t{}
        ? QStringLiteral("GPT")
        : QStringLiteral("type 0x%1").arg(p.mbr_type, 2, 16, QLatin1Char('0'));
    return QStringLiteral("partition %1 (%2, sectors %3 to %4)")
        .arg(p.number)
        .arg(kind)
        .arg(p.first_sector)
        .arg(p.first_sector + p.sector_count - (p.sector_count ? 1 : 0));
}

bool has_gpt_signature_at(block_device_c &disk, quint64 lba)
{
    uint8_t sector[512];
    return disk.read_exact(lba * sizeof sector, sector, sizeof sector) &&
        memcmp(sector, gpt_signature, sizeof gpt_signature) == 0;
}

bool has_protective_entry(const sector_bytes_t &sector0)
{
    if (sector0[510] != 0x55 || sector0[511] != 0xAA)
        return false;
    for (size_t slot = 0; slot < mbr_entry_count; ++slot)
        if (decode_mbr_entry(sector0.data(), slot).type == mbr_type_gpt_protective)
            return true;
    return false;
}

// What is left of a GPT whose copies are both damaged: its protective
// entry, a header's signature, or a partition that ends where a GPT's usable
// sectors end (formatters fill a GPT disk up to there, an MBR disk to its end).
bool gpt_traces(block_device_c &disk, const table_repair_plan_s &plan, quint64 disk_sectors)
{
    if (has_protective_entry(plan.old_sector) || has_gpt_signature_at(disk, 1) ||
        has_gpt_signature_at(disk, disk_sectors - 1))
        return true;
    return plan.current.scheme == partition_scheme_e::none && !plan.rows.isEmpty() &&
        std::any_of(plan.rows.begin(), plan.rows.end(), [&](const partition_item_s &r) {
               return r.end_sector + 2 + gpt_array_sectors == disk_sectors;
           });
}

bool same_place(const partition_entry_s &p, quint64 first, quint64 count)
{
    return p.first_sector == first && p.sector_count == count;
}

// The found rows, and each partition of the table on the disk that no find
// overlaps: a partition the search does not know is kept, not lost.
QList<partition_item_s> rows_to_keep(const table_repair_plan_s &plan)
{
    QList<partition_item_s> keep = plan.rows;
    // A find where the table has its partition keeps the type byte chosen for it.
    for (partition_item_s &row : keep)
        for (const partition_entry_s &p : plan.current.partitions)
            if (!p.extended && p.mbr_type && same_place(p, row.start_sector, row.end_sector - row.start_sector + 1))
                row.type_id = p.mbr_type;
    for (const partition_entry_s &p : plan.current.partitions) {
        if (p.extended || p.sector_count == 0 || p.past_end)
            continue;
        const quint64 last = p.first_sector + p.sector_count - 1;
        const bool overlapped = std::any_of(plan.rows.begin(), plan.rows.end(), [&](const partition_item_s &r) {
            return r.start_sector <= last && r.end_sector >= p.first_sector;
        });
        if (!overlapped)
            keep += partition_item_s{QString(), p.mbr_type, p.first_sector, last};
    }
    std::sort(keep.begin(), keep.end(),
              [](const partition_item_s &a, const partition_item_s &b) { return a.start_sector < b.start_sector; });
    return keep;
}

// Whether each find lies inside a partition of the table (a file system may
// be smaller than its partition).
bool table_holds_every_row(const table_repair_plan_s &plan)
{
    return std::all_of(plan.rows.begin(), plan.rows.end(), [&](const partition_item_s &r) {
        return std::any_of(plan.current.partitions.begin(), plan.current.partitions.end(),
                           [&](const partition_entry_s &p) {
                               return !p.extended && r.start_sector >= p.first_sector &&
                                   r.end_sector < p.first_sector + p.sector_count;
                           });
    });
}

bool same_mbr_table(const QList<partition_entry_s> &next, const std::vector<partition_entry_s> &now)
{
    if (static_cast<size_t>(next.size()) != now.size())
        return false;
    return std::all_of(next.begin(), next.end(), [&](const partition_entry_s &e) {
        return std::any_of(now.begin(), now.end(), [&](const partition_entry_s &p) {
            return p.number == e.number && same_place(p, e.first_sector, e.sector_count) && p.mbr_type == e.mbr_type;
        });
    });
}

// Whether the new table carries p at the same place and length, as the same
// kind of partition.
bool keeps(const QList<partition_entry_s> &next, const partition_entry_s &p)
{
    return std::any_of(next.begin(), next.end(), [&](const partition_entry_s &e) {
        return same_place(e, p.first_sector, p.sector_count) && e.extended == p.extended && e.logical == p.logical;
    });
}

int check_rows(const table_repair_plan_s &plan, quint64 disk_sectors, QString *error)
{
    if (plan.rows.isEmpty())
        return fail(error,
                    QStringLiteral("no partition was found on %1; there is nothing to write").arg(plan.drive.name));
    for (int k = 0; k < plan.rows.size(); ++k) {
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
        if (keeps(plan.new_table, p))
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

QByteArray bytes_of(const sector_bytes_t &sector)
{
    return QByteArray(reinterpret_cast<const char *>(sector.data()), static_cast<qsizetype>(sector.size()));
}

QString already_written(const QString &name)
{
    return QStringLiteral("the partition table of %1 already lists every partition found; there is nothing to "
                          "write")
        .arg(name);
}

int plan_new_gpt(block_device_c &disk, table_repair_plan_s &plan, quint64 disk_sectors, QString *error)
{
    plan.action = table_action_e::new_gpt;
    guid_bytes_t guid = plan.current.disk_guid;
    if (guid == guid_bytes_t{} && !surviving_disk_guid(disk, guid))
        guid = new_gpt_guid();
    plan.writes.append({0, bytes_of(protective_mbr(plan.old_sector, disk_sectors))});
    return build_new_gpt(rows_to_keep(plan), plan.current, guid, disk_sectors, plan.writes, plan.new_table, error);
}

int plan_gpt(block_device_c &disk, table_repair_plan_s &plan, quint64 disk_sectors, QString *error)
{
    gpt_copy_s primary, backup;
    const bool primary_whole = read_gpt_copy(disk, 1, 512, primary);
    const bool backup_whole = read_gpt_copy(disk, disk_sectors - 1, 512, backup);
    const bool protective = has_protective_entry(plan.old_sector);
    if (!primary_whole && !backup_whole)
        return plan_new_gpt(disk, plan, disk_sectors, error);
    if (primary_whole && backup_whole) {
        if (!table_holds_every_row(plan))
            return plan_new_gpt(disk, plan, disk_sectors, error);
        if (protective)
            return fail(error, already_written(plan.drive.name));
        plan.action = table_action_e::protective_mbr;
    } else {
        plan.action = primary_whole ? table_action_e::gpt_from_primary : table_action_e::gpt_from_backup;
        mirror_gpt_copy(primary_whole ? primary : backup, !primary_whole, disk_sectors, plan.writes);
    }
    if (!protective)
        plan.writes.prepend({0, bytes_of(protective_mbr(plan.old_sector, disk_sectors))});
    plan.new_table = QList<partition_entry_s>(plan.current.partitions.begin(), plan.current.partitions.end());
    return 0;
}

int plan_mbr(table_repair_plan_s &plan, QString *error)
{
    plan.action = table_action_e::new_mbr;
    if (lay_out_mbr(rows_to_keep(plan), plan.current, plan.layout, error) != 0)
        return -1;
    plan.new_table = mbr_layout_entries(plan.layout);
    if (plan.current.scheme == partition_scheme_e::mbr && same_mbr_table(plan.new_table, plan.current.partitions))
        return fail(error, already_written(plan.drive.name));
    return build_mbr_writes(plan.layout, plan.old_sector, *plan.drive.geometry, plan.writes, error);
}

int read_saved(block_device_c &disk, const sector_writes_t &writes, saved_sectors_t &out)
{
    out.clear();
    for (quint64 lba : sectors_to_save(disk.size() / 512, writes))
        if (!disk.read_exact(lba * 512, out[lba].data(), 512))
            return -1;
    return 0;
}

} // namespace

bool table_repair_plan_s::is_logical(const partition_item_s &row) const
{
    return std::any_of(layout.logicals.begin(), layout.logicals.end(),
                       [&](const partition_item_s &l) { return l.start_sector == row.start_sector; });
}

int plan_table_repair_on(block_device_c &disk, table_repair_plan_s &plan, QString *error)
{
    plan.ready = false;
    plan.dropped.clear();
    plan.writes.clear();
    plan.new_table.clear();
    plan.layout = mbr_layout_s{};
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
    const quint64 disk_sectors = disk.size() / 512;
    if (disk_sectors < 2 * gpt_first_usable)
        return fail(error, QStringLiteral("%1 is too small to hold a partition table").arg(name));
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
    // An MBR counts sectors in 32 bits: a partition beyond needs a GPT.
    const bool beyond_mbr = std::any_of(plan.rows.begin(), plan.rows.end(),
                                        [](const partition_item_s &r) { return r.end_sector > 0xFFFFFFFFu; });
    const bool gpt =
        plan.current.scheme == partition_scheme_e::gpt || beyond_mbr || gpt_traces(disk, plan, disk_sectors);
    if ((gpt ? plan_gpt(disk, plan, disk_sectors, error) : plan_mbr(plan, error)) != 0)
        return -1;
    plan.new_sector = plan.old_sector;
    if (!plan.writes.isEmpty() && plan.writes.first().lba == 0)
        memcpy(plan.new_sector.data(), plan.writes.first().bytes.constData(), plan.new_sector.size());
    if (check_drops(plan, error) != 0)
        return -1;
    if (read_saved(disk, plan.writes, plan.before) != 0)
        return fail(error, QStringLiteral("cannot read the table sectors of %1").arg(name));
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
    auto make = [&](block_device_c &disk, sector_writes_t &writes, QString *why) {
        saved_sectors_t now;
        if (read_saved(disk, plan.writes, now) != 0 || now != plan.before)
            return fail(why,
                        QStringLiteral("the table sectors of %1 changed since the repair was shown; search and "
                                       "preview again")
                            .arg(plan.drive.name));
        writes = plan.writes;
        return 0;
    };
    return rewrite_sectors(plan.drive.name, make, backup_folder, backup_path, error);
}
