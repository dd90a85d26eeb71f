#include "image_intake.h"

#include <QFileInfo>
#include <string>

#include "platform/disks.h"
#include "volume_lookup.h"

namespace {

constexpr qint64 k_sector = 512;

} // namespace

image_check_e check_image_file(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return image_check_e::missing;
    if (!info.isFile())
        return image_check_e::folder;
    if (!info.isReadable())
        return image_check_e::unreadable;
    if (info.size() == 0)
        return image_check_e::empty;
    if (info.size() % k_sector != 0)
        return image_check_e::partial_sector;
    return image_check_e::accepted;
}

image_check_e add_checked_image(const QString &path)
{
    const image_check_e check = check_image_file(path);
    if (check != image_check_e::accepted)
        return check;
    // The platform opens it once more: a file that vanished or turned
    // unreadable meanwhile is refused here.
    return add_image_file(QFileInfo(path).absoluteFilePath(), nullptr) ? image_check_e::accepted
                                                                       : image_check_e::unreadable;
}

QString image_check_reason(image_check_e check)
{
    switch (check) {
    case image_check_e::missing:
        return QStringLiteral("no such file");
    case image_check_e::folder:
        return QStringLiteral("a folder or special file, not a disk image");
    case image_check_e::unreadable:
        return QStringLiteral("cannot be read");
    case image_check_e::empty:
        return QStringLiteral("an empty file, not a disk image");
    case image_check_e::partial_sector:
        return QStringLiteral("its size is not a whole number of 512-byte sectors, so it is not a disk image");
    case image_check_e::accepted:
        break;
    }
    return QString();
}

int volumes_on_image(const QString &path)
{
    const int disk_number = disk_index_of(QFileInfo(path).canonicalFilePath());
    if (disk_number < 0)
        return 0;
    int count = 0;
    for (const volume_info_s &v : volumes_of(disk_number))
        count += !v.fs_name.empty();
    return count;
}
