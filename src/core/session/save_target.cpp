#include "save_target.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "platform/volume_path.h"
#include "core/scanfile/scan_file.h"
#include "core/session/scan_session.h"

namespace {

const char *kind_of(mode_t mode)
{
    if (S_ISBLK(mode))
        return "it is a block device";
    if (S_ISCHR(mode))
        return "it is a character device";
    if (S_ISFIFO(mode))
        return "it is a fifo";
    if (S_ISDIR(mode))
        return "it is a folder";
    return "it is not a regular file";
}

// The same file as the image the volume lies in, by device and inode: the
// path may be another name for it (a link, a relative path).
bool is_scanned_image(const struct stat &target, const volume_item_s &volume)
{
    std::string source;
    int partition = 0;
    struct stat image {};
    return parse_volume_path(volume.volume_path.toStdString(), source, partition) &&
        stat(source.c_str(), &image) == 0 && S_ISREG(image.st_mode) && image.st_dev == target.st_dev &&
        image.st_ino == target.st_ino;
}

} // namespace

bool may_save_scan_file(const QString &path, const volume_item_s &volume, QString *why)
{
    auto refuse = [&](const QString &reason) {
        *why = QStringLiteral("refusing to save over %1: %2").arg(path, reason);
        return false;
    };
    struct stat target {};
    if (stat(QFile::encodeName(path).constData(), &target) == 0) {
        if (!S_ISREG(target.st_mode))
            return refuse(QLatin1String(kind_of(target.st_mode)));
        if (is_scanned_image(target, volume))
            return refuse(QStringLiteral("it is the image being scanned"));
        std::vector<raw_item_s> entries;
        QString not_scan;
        if (read_scan_file(path, &entries, nullptr, &not_scan).isEmpty())
            return refuse(QStringLiteral("it is not a scan file (%1)").arg(not_scan));
    } else if (errno != ENOENT) {
        return refuse(QStringLiteral("it cannot be looked at (%1)").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    if (folder_on_volume(QFileInfo(path).absolutePath(), volume)) {
        *why = QStringLiteral("refusing to save to %1: it lies on the scanned volume, where it could overwrite files "
                              "still to be restored")
                   .arg(path);
        return false;
    }
    return true;
}
