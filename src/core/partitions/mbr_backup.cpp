#include "mbr_backup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstring>
#include <unistd.h>

#include "platform/disk_identity.h"
#include "platform/user_dirs.h"

namespace {

const QByteArray record_title = QByteArrayLiteral("TarnRecovery sector 0 backup\n");
// Far more than a record and its sectors need; a longer file is not one of ours.
constexpr qint64 max_backup_bytes = 1 << 20;
const QByteArray data_line = QByteArrayLiteral("data\n");

QByteArray number_list(const QList<quint64> &numbers)
{
    QByteArrayList words;
    for (quint64 n : numbers)
        words += QByteArray::number(n);
    return words.join(',');
}

bool parse_numbers(const QByteArray &text, QList<quint64> &out)
{
    out.clear();
    for (const QByteArray &word : text.split(',')) {
        bool ok = false;
        out += word.toULongLong(&ok);
        if (!ok)
            return false;
    }
    return true;
}

int fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return -1;
}

// "/dev/sdb" -> "dev_sdb"; keeps file names short and free of separators.
QString disk_tag(const QString &disk_path)
{
    QString tag = QFileInfo(disk_path).absoluteFilePath();
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]+")), QStringLiteral("_"));
    while (tag.startsWith(QLatin1Char('_')) || tag.startsWith(QLatin1Char('.')))
        tag.remove(0, 1);
    return tag.right(80);
}

QByteArray record_of(const QString &disk_path, quint64 disk_size, const saved_sectors_t &sectors,
                     const QList<quint64> &written)
{
    QByteArray record = record_title + "disk=" + disk_path.toUtf8() +
        "\nidentity=" + QByteArray::fromStdString(disk_identity(disk_path.toStdString())) +
        "\nsize=" + QByteArray::number(disk_size) + "\nwritten=" + number_list(written) + "\n";
    const QList<quint64> more = sectors.keys().mid(1);
    if (more.isEmpty())
        return record;
    record += "sectors=" + number_list(more) + "\n" + data_line;
    for (quint64 lba : more)
        record.append(reinterpret_cast<const char *>(sectors[lba].data()), static_cast<qsizetype>(512));
    return record;
}

// Fills the record fields and further sectors of out from the bytes after
// sector 0.
bool parse_record(const QByteArray &text, mbr_backup_s &out)
{
    if (!text.startsWith(record_title))
        return false;
    bool have_size = false;
    QList<quint64> more;
    qsizetype at = record_title.size();
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        const QByteArray line = text.mid(at, end - at);
        at = end + 1;
        if (line + '\n' == data_line)
            break;
        const int eq = line.indexOf('=');
        const QByteArray key = line.left(eq), value = line.mid(eq + 1);
        if (line.isEmpty())
            continue;
        if (eq < 0)
            return false;
        if (key == "disk")
            out.disk = QString::fromUtf8(value);
        else if (key == "identity")
            out.identity = QString::fromUtf8(value);
        else if (key == "size")
            out.size = value.toULongLong(&have_size);
        else if ((key == "written" && !parse_numbers(value, out.written)) ||
                 (key == "sectors" && !parse_numbers(value, more)))
            return false;
    }
    if (text.size() - qMin(at, text.size()) != more.size() * 512)
        return false;
    for (quint64 lba : more) {
        memcpy(out.sectors[lba].data(), text.constData() + at, 512);
        at += 512;
    }
    for (quint64 lba : out.written)
        if (!out.sectors.contains(lba))
            return false;
    return have_size && !out.identity.isEmpty();
}

} // namespace

QString mbr_backup_folder()
{
    const std::string state = user_state_dir();
    return state.empty() ? QString() : QString::fromStdString(state) + QStringLiteral("/mbr-backups");
}

int save_mbr_backup(const QString &folder, const QString &disk_path, quint64 disk_size, const saved_sectors_t &sectors,
                    const QList<quint64> &written, QString *path, QString *error)
{
    if (!sectors.contains(0))
        return fail(error, QStringLiteral("a backup holds sector 0"));
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return fail(error, QStringLiteral("cannot create the backup folder %1").arg(folder));
    const sector_bytes_t &sector = sectors[0];
    QByteArray bytes(reinterpret_cast<const char *>(sector.data()), static_cast<qsizetype>(sector.size()));
    bytes += record_of(disk_path, disk_size, sectors, written);
    const QString stem =
        QStringLiteral("%1/mbr-%2-%3")
            .arg(folder, disk_tag(disk_path), QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    for (int n = 0; n < 1000; ++n) {
        QString name = n == 0 ? stem + QStringLiteral(".bin") : QStringLiteral("%1-%2.bin").arg(stem).arg(n);
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue;
            return fail(error, QStringLiteral("cannot create %1: %2").arg(name, file.errorString()));
        }
        bool ok = file.write(bytes) == bytes.size() && file.flush() && fsync(file.handle()) == 0;
        file.close();
        if (!ok) {
            file.remove();
            return fail(error, QStringLiteral("cannot write %1").arg(name));
        }
        if (path)
            *path = name;
        return 0;
    }
    return fail(error, QStringLiteral("too many backups named %1").arg(stem));
}

int load_mbr_backup(const QString &file_name, mbr_backup_s &out, QString *error)
{
    out = mbr_backup_s{};
    QFile file(file_name);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot open %1: %2").arg(file_name, file.errorString()));
    const QByteArray bytes = file.read(max_backup_bytes + 1);
    const qsizetype sector_size = 512;
    if (bytes.size() < sector_size || bytes.size() > max_backup_bytes)
        return fail(error, QStringLiteral("%1 is not a sector 0 backup").arg(file_name));
    const bool signed_55aa = static_cast<uint8_t>(bytes[510]) == 0x55 && static_cast<uint8_t>(bytes[511]) == 0xAA;
    const bool zero = bytes.left(sector_size) == QByteArray(sector_size, 0);
    if (!signed_55aa && !(zero && bytes.size() > sector_size))
        return fail(error, QStringLiteral("%1 does not end in the boot signature 55 AA").arg(file_name));
    memcpy(out.sectors[0].data(), bytes.constData(), sector_size);
    out.written = {0};
    if (bytes.size() == sector_size)
        return 0;
    out.has_record = true;
    if (!parse_record(bytes.mid(sector_size), out))
        return fail(error, QStringLiteral("%1 is not a sector 0 backup: its disk record is damaged").arg(file_name));
    return 0;
}

int check_backup_disk(const mbr_backup_s &backup, const QString &disk_path, quint64 disk_size, bool accept_bare,
                      QString *error)
{
    if (!backup.has_record)
        return accept_bare ? 0
                           : fail(error,
                                  QStringLiteral("the backup is a bare 512-byte sector with no record of the "
                                                 "disk it was taken from; put it back with --legacy-backup "
                                                 "only if you are sure it came from this disk"));
    const QString identity = QString::fromStdString(disk_identity(disk_path.toStdString()));
    if (backup.identity == identity && backup.size == disk_size)
        return 0;
    return fail(error,
                QStringLiteral("the backup was taken from another disk (%1, %2 bytes); %3 is %4, %5 bytes")
                    .arg(backup.identity)
                    .arg(backup.size)
                    .arg(disk_path, identity)
                    .arg(disk_size));
}
