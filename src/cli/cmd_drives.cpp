// tarnrecovery-cli drives: the disk table as the drive page lists it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli_command.h"
#include "cli_table.h"
#include "core/devices/drive_list.h"
#include "records/format_size.h"

namespace {

QString yes_no(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

int run_drives(const cli_args_c &args)
{
    if (!prepare_listing("drives", args))
        return cli_bad_target;
    const std::vector<disk_info_s> disks = list_disks();
    const QList<drive_item_s> rows = build_drive_rows(disks);

    if (args.has(QStringLiteral("json"))) {
        QJsonArray list;
        for (int i = 1; i < rows.size(); ++i) {
            const disk_info_s &disk = disks[size_t(i - 1)];
            const disk_geometry_s &g = *rows[i].geometry;
            list.append(QJsonObject{
                {QStringLiteral("number"), i - 1},
                {QStringLiteral("path"), rows[i].name},
                {QStringLiteral("image"), disk.is_image},
                {QStringLiteral("size"), double(rows[i].size)},
                {QStringLiteral("size_bytes"), double(disk.size_bytes)},
                {QStringLiteral("sector_size"), double(disk.sector_size)},
                {QStringLiteral("cylinders"), double(g.cylinders)},
                {QStringLiteral("heads"), double(g.tracks_per_cylinder)},
                {QStringLiteral("sectors_per_track"), double(g.sectors_per_track)},
                {QStringLiteral("ready"), disk.ready},
                {QStringLiteral("write_protected"), disk.write_protected},
            });
        }
        QJsonObject top{{QStringLiteral("drives"), list},
                        {QStringLiteral("can_read_raw_devices"), can_read_raw_devices()}};
        fputs(QJsonDocument(top).toJson().constData(), stdout);
    } else {
        text_table_c table({QStringLiteral("#"), QStringLiteral("Device"), QStringLiteral("Size"),
                            QStringLiteral("Sector"), QStringLiteral("C/H/S"), QStringLiteral("Ready"),
                            QStringLiteral("Read-only")});
        for (int i = 1; i < rows.size(); ++i) {
            const disk_info_s &disk = disks[size_t(i - 1)];
            const disk_geometry_s &g = *rows[i].geometry;
            table.add({QString::number(i - 1), rows[i].name, format_size(rows[i].size),
                       QString::number(disk.sector_size),
                       QStringLiteral("%1/%2/%3").arg(g.cylinders).arg(g.tracks_per_cylinder).arg(g.sectors_per_track),
                       yes_no(disk.ready), yes_no(disk.write_protected)});
        }
        fputs(table.text().toUtf8().constData(), stdout);
    }
    note_raw_access("disks show as not ready");
    return cli_ok;
}

const cli_command_registrar registered({"drives", run_drives, "[--image FILE]... [--json]",
                                        "list the physical disks and added disk images"});

} // namespace
