#include "sector_zero.h"

#include <QStringList>
#include <algorithm>

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

QList<quint64> sectors_to_save(quint64 disk_sectors, const sector_writes_t &writes)
{
    constexpr quint64 table_sectors = 34; // protective MBR, GPT header and a 128-entry array
    QList<quint64> lbas;
    for (quint64 lba = 0; lba < qMin(table_sectors, disk_sectors); ++lba)
        lbas += lba;
    for (quint64 lba = disk_sectors > table_sectors - 1 ? disk_sectors - (table_sectors - 1) : 0; lba < disk_sectors;
         ++lba)
        lbas += lba;
    for (const sector_write_s &w : writes)
        for (quint64 k = 0; k < quint64(w.bytes.size()) / 512; ++k)
            lbas += w.lba + k;
    std::sort(lbas.begin(), lbas.end());
    lbas.erase(std::unique(lbas.begin(), lbas.end()), lbas.end());
    return lbas;
}

int rewrite_sectors(const QString &disk_path, const make_writes_fn &make, const QString &backup_folder,
                    QString *backup_path, QString *error)
{
    auto disk = open_disk_512(disk_path, open_mode_e::read_write, error);
    if (!disk)
        return -1;
    sector_writes_t writes;
    if (make(*disk, writes, error) != 0)
        return -1;
    const quint64 disk_sectors = disk->size() / 512;
    saved_sectors_t saved;
    for (quint64 lba : sectors_to_save(disk_sectors, writes))
        if (!disk->read_exact(lba * 512, saved[lba].data(), 512))
            return fail(error, QStringLiteral("cannot read sector %1 of %2").arg(lba).arg(disk_path));
    QList<quint64> written;
    for (const sector_write_s &w : writes)
        for (quint64 k = 0; k < quint64(w.bytes.size()) / 512; ++k)
            written += w.lba + k;
    if (save_mbr_backup(backup_folder, disk_path, disk->size(), saved, written, backup_path, error) != 0)
        return -1;
    for (const sector_write_s &w : writes)
        if (disk->write_at(w.lba * 512, w.bytes.constData(), w.bytes.size()) != w.bytes.size())
            return fail(error, QStringLiteral("writing sector %1 of %2 failed").arg(w.lba).arg(disk_path));
    for (const sector_write_s &w : writes) {
        QByteArray check(w.bytes.size(), 0);
        if (!disk->read_exact(w.lba * 512, check.data(), check.size()) || check != w.bytes)
            return fail(error,
                        QStringLiteral("sector %1 of %2 does not read back as written").arg(w.lba).arg(disk_path));
    }
    return 0;
}
