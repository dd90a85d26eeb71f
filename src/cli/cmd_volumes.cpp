// tarnrecovery-cli volumes: the volume list as the volume page shows it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli_command.h"
#include "cli_table.h"
#include "core/devices/volume_list.h"
#include "engines/volume_free_space.h"
#include "records/format_size.h"

namespace {

// The free bytes as a JSON number, or null when not known.
QJsonValue free_json(const volume_info_s &v)
{
    uint64_t free = 0;
    return volume_free_bytes(v, free) ? QJsonValue(double(free)) : QJsonValue();
}

QString free_text(const volume_info_s &v)
{
    uint64_t free = 0;
    return volume_free_bytes(v, free) ? format_size(free) : QStringLiteral("-");
}

QJsonObject volume_json(const volume_info_s &v, const volume_item_s &row)
{
    QJsonArray mounts;
    for (const std::string &m : v.mount_paths)
        mounts.append(QString::fromStdString(m));
    return QJsonObject{
        {QStringLiteral("device"), row.device_name},
        {QStringLiteral("volume_path"), row.volume_path},
        {QStringLiteral("label"), row.label},
        {QStringLiteral("file_system"), row.file_system},
        {QStringLiteral("mount_path"), row.mount_path},
        {QStringLiteral("mount_paths"), mounts},
        {QStringLiteral("drive_type"),
         v.drive_type == drive_type_removable ? QStringLiteral("removable") : QStringLiteral("fixed")},
        {QStringLiteral("total_bytes"), double(row.total_bytes)},
        {QStringLiteral("free_bytes"), free_json(v)},
        {QStringLiteral("partition"), row.partition_number},
        {QStringLiteral("disk"), row.disk_number},
        {QStringLiteral("start_byte"), double(v.start_byte)},
        {QStringLiteral("length_bytes"), double(v.length_bytes)},
    };
}

int run_volumes(const cli_args_c &args)
{
    if (!prepare_listing("volumes", args))
        return cli_bad_target;
    enumerate_volumes();
    // Rows follow the records that have partition and disk numbers, in order.
    QList<volume_info_s> listed;
    for (const volume_info_s &v : volume_records())
        if (v.partition_number != -1 && v.disk_number != -1)
            listed.append(v);
    const QList<volume_item_s> &rows = volume_rows();

    if (args.has(QStringLiteral("json"))) {
        QJsonArray list;
        for (int i = 1; i < rows.size(); ++i)
            list.append(volume_json(listed[i - 1], rows[i]));
        QJsonObject top{{QStringLiteral("volumes"), list},
                        {QStringLiteral("can_read_raw_devices"), can_read_raw_devices()}};
        fputs(QJsonDocument(top).toJson().constData(), stdout);
    } else {
        text_table_c table({QStringLiteral("Device"), QStringLiteral("Label"), QStringLiteral("File system"),
                            QStringLiteral("Size"), QStringLiteral("Free"), QStringLiteral("Disk"),
                            QStringLiteral("Part"), QStringLiteral("Start"), QStringLiteral("Mount path")});
        for (int i = 1; i < rows.size(); ++i) {
            const volume_item_s &r = rows[i];
            table.add({r.device_name, r.label, r.file_system, format_size(r.total_bytes), free_text(listed[i - 1]),
                       QString::number(r.disk_number), QString::number(r.partition_number),
                       QString::number(listed[i - 1].start_byte), r.mount_path});
        }
        fputs(table.text().toUtf8().constData(), stdout);
    }
    note_raw_access("volumes of fixed disks are not listed");
    return cli_ok;
}

const cli_command_registrar registered({"volumes", run_volumes, "[--image FILE]... [--json]",
                                        "list the volumes of the disks and added disk images"});

} // namespace
