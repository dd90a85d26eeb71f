#include "sector_zero.h"

#include <QStringList>

#include "mbr_backup.h"
#include "platform/block_device.h"
#include "platform/disk_in_use.h"

namespace {

int fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return -1;
}

} // namespace

// The tables we write count 512-byte sectors; on other sector sizes they
// would point at the wrong places.
std::unique_ptr<block_device_c> open_disk_512(const QString &disk_path, open_mode_e mode, QString *error)
{
    std::string why;
    auto disk = open_block_device(disk_path.toStdString(), mode, &why);
    if (!disk) {
        fail(error, QString::fromStdString(why));
        return nullptr;
    }
    if (disk->sector_size() != 512) {
        fail(error,
             QStringLiteral("%1 has %2-byte sectors; only 512-byte sectors are supported")
                 .arg(disk_path)
                 .arg(disk->sector_size()));
        return nullptr;
    }
    return disk;
}

int check_disk_not_in_use(const QString &disk_path, QString *error)
{
    const std::vector<std::string> users = disk_users(disk_path.toStdString());
    if (users.empty())
        return 0;
    QStringList lines;
    for (const std::string &user : users)
        lines += QString::fromStdString(user);
    return fail(error,
                QStringLiteral("%1 is in use: %2; unmount or release it first")
                    .arg(disk_path, lines.join(QStringLiteral(", "))));
}

int rewrite_sector_zero(const QString &disk_path, const make_sector_fn &make, const QString &backup_folder,
                        QString *backup_path, QString *error)
{
    auto disk = open_disk_512(disk_path, open_mode_e::read_write, error);
    if (!disk)
        return -1;
    sector_bytes_t old_sector{};
    sector_bytes_t next{};
    if (!disk->read_exact(0, old_sector.data(), old_sector.size()))
        return fail(error, QStringLiteral("cannot read sector 0 of %1").arg(disk_path));
    if (make(*disk, old_sector, next, error) != 0)
        return -1;
    if (save_mbr_backup(backup_folder, disk_path, disk->size(), old_sector, backup_path, error) != 0)
        return -1;
    if (disk->write_at(0, next.data(), next.size()) != static_cast<int64_t>(next.size()))
        return fail(error, QStringLiteral("writing sector 0 of %1 failed").arg(disk_path));
    sector_bytes_t check{};
    if (!disk->read_exact(0, check.data(), check.size()) || check != next)
        return fail(error, QStringLiteral("sector 0 of %1 does not read back as written").arg(disk_path));
    return 0;
}
