#include "volume_lookup.h"

#include "boot_sector_naming.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "image_intake.h"
#include "platform/disks.h"
#include "platform/volume_path.h"

bool add_image_file(const QString &path, QString *error)
{
    // A block device named as an image is taken as the disk it is.
    const image_check_e check = QFileInfo(path).isFile() ? check_image_file(path) : image_check_e::accepted;
    if (check != image_check_e::accepted) {
        if (error)
            *error = path + QStringLiteral(": ") + image_check_reason(check);
        return false;
    }
    std::string why;
    if (add_disk_image(path.toStdString(), &why))
        return true;
    if (error)
        *error = QString::fromStdString(why);
    return false;
}

namespace {

bool fail(QString *error, const QString &target, const QString &why)
{
    if (error)
        *error = target + QStringLiteral(": ") + why;
    return false;
}

// The canonical path of an existing, readable file or device; empty (with the
// reason in *error) otherwise.
QString readable_path(const QString &word, QString *error)
{
    const QByteArray local = word.toLocal8Bit();
    struct stat st {};
    char resolved[PATH_MAX];
    if (stat(local.constData(), &st) != 0 || access(local.constData(), R_OK) != 0 ||
        !realpath(local.constData(), resolved)) {
        fail(error, word, QString::fromLocal8Bit(strerror(errno)));
        return QString();
    }
    return QString::fromLocal8Bit(resolved);
}

QString partition_numbers(const std::vector<volume_info_s> &volumes)
{
    QStringList numbers;
    for (const volume_info_s &v : volumes)
        numbers += QString::number(v.partition_number);
    return numbers.join(QStringLiteral(", "));
}

// The row of an image volume that holds no file system we recognise.
volume_item_s unrecognised_volume(const QString &path, const volume_location_s &where)
{
    volume_info_s v;
    v.on_image = true;
    v.device_name = path.toStdString();
    if (where.partition_number != 0)
        v.device_name += " partition " + std::to_string(where.partition_number);
    v.volume_path = make_volume_path(path.toStdString(), where.partition_number);
    v.partition_number = where.partition_number;
    v.disk_number = where.disk_number;
    v.total_bytes = where.length_bytes;
    return make_volume_item(v);
}

// A whole-volume image, a disk image's partition, or a damaged volume image
// in which no file system is recognised any more (still worth a raw scan).
bool resolve_image(const QString &path, const QString &word, const QString &partition, volume_item_s &out,
                   QString *error)
{
    if (!add_image_file(path, error))
        return false;
    const int disk = disk_index_of(path);
    std::vector<volume_info_s> volumes = volumes_of(disk);
    if (!partition.isEmpty()) {
        bool ok = false;
        int number = partition.toInt(&ok);
        if (!ok || number < 0)
            return fail(error, word, QStringLiteral("--partition needs a partition number"));
        for (const volume_info_s &v : volumes) {
            if (v.partition_number == number) {
                out = make_volume_item(v);
                return true;
            }
        }
        volume_location_s where;
        if (!locate_partition(disk, number, where))
            return fail(error, word, QStringLiteral("has no partition %1").arg(number));
        out = unrecognised_volume(path, where);
        return true;
    }
    // A whole-volume image, or a disk image with one partition (a floppy
    // image whose table names itself included).
    if (volumes.size() == 1) {
        out = make_volume_item(volumes.front());
        return true;
    }
    if (!volumes.empty())
        return fail(error, word,
                    QStringLiteral("is a disk image with partitions %1: choose one with --partition N")
                        .arg(partition_numbers(volumes)));
    volume_location_s where;
    if (!locate_partition(disk, 0, where))
        return fail(error, word, QStringLiteral("is empty"));
    out = unrecognised_volume(path, where);
    return true;
}

} // namespace

int disk_index_of(const QString &path)
{
    return disk_number_of(path.toStdString());
}

std::vector<volume_info_s> volumes_of(int disk_number)
{
    return listed_volumes_of(disk_number);
}

bool resolve_volume(const QString &word, const QString &partition, volume_item_s &out, QString *error)
{

    // A volume name path as stored in scan files.
    std::string source;
    int number = 0;
    if (parse_volume_path(word.toStdString(), source, number) && QFileInfo::exists(QString::fromStdString(source))) {
        const QString path = readable_path(QString::fromStdString(source), error);
        if (path.isEmpty())
            return false;
        if (QFileInfo(path).isFile())
            return resolve_image(path, word, QString::number(number), out, error);
        for (const volume_info_s &v : listed_volumes()) {
            if (v.volume_path == make_volume_path(path.toStdString(), number)) {
                out = make_volume_item(v);
                return true;
            }
        }
        return fail(error, word, QStringLiteral("no such volume"));
    }

    const QString path = readable_path(word, error);
    if (path.isEmpty())
        return false;
    QFileInfo info(path);
    if (info.isFile())
        return resolve_image(path, word, partition, out, error);
    if (!partition.isEmpty())
        return fail(error, word, QStringLiteral("--partition applies to disk image files only"));

    for (const volume_info_s &v : listed_volumes()) {
        bool match = QString::fromStdString(v.device_name) == path;
        for (const std::string &mount : v.mount_paths)
            match = match || QString::fromStdString(mount) == path;
        if (match) {
            out = make_volume_item(v);
            return true;
        }
    }
    if (info.isDir())
        return fail(error, word, QStringLiteral("is not the mount path of a volume"));
    if (disk_index_of(path) >= 0)
        return fail(error, word, QStringLiteral("is a whole disk, not a volume: name one of its partitions"));
    return fail(error, word, QStringLiteral("is not a volume"));
}

bool resolve_disk(const QString &word, int &disk_number, QString *error)
{
    bool is_number = false;
    int index = word.toInt(&is_number);
    if (is_number) {
        if (index < 0 || index >= static_cast<int>(list_disks().size()))
            return fail(error, word, QStringLiteral("no disk with this number"));
        disk_number = index;
        return true;
    }
    const QString path = readable_path(word, error);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).isFile() && !add_image_file(path, error))
        return false;
    disk_number = disk_index_of(path);
    if (disk_number < 0)
        return fail(error, word, QStringLiteral("is not a whole disk"));
    return true;
}

bool find_listed_volume(const QString &volume_path, volume_item_s &out)
{
    const std::string wanted = volume_path.toStdString();
    for (const volume_info_s &v : listed_volumes()) {
        if (v.volume_path == wanted) {
            out = make_volume_item(v);
            return true;
        }
    }
    std::string source;
    int number = 0;
    if (!parse_volume_path(wanted, source, number) || make_volume_path(source, number) != wanted)
        return false;
    const int disk = disk_index_of(QString::fromStdString(source));
    volume_location_s where;
    if (disk < 0 || !locate_partition(disk, number, where))
        return false;
    out = unrecognised_volume(QString::fromStdString(source), where);
    return true;
}

std::shared_ptr<block_device_c> open_volume_item(const volume_item_s &volume)
{
    return open_volume_path(QFile::encodeName(volume.volume_path).toStdString(), open_mode_e::read);
}
