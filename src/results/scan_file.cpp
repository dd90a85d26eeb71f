#include "scan_file.h"

#include <QFile>
#include <cstring>

#include "platform/volume_path.h"

bool parse_scan_file(const uint8_t *data, size_t size, std::string &device_path, std::vector<raw_item_s> &items)
{
    if (size < scan_file_header_size + raw_entry_size || (size - scan_file_header_size) % raw_entry_size)
        return false;
    size_t count = (size - scan_file_header_size) / raw_entry_size;
    std::vector<raw_item_s> loaded(count);
    for (size_t i = 0; i < count; ++i)
        memcpy(&loaded[i], data + scan_file_header_size + i * raw_entry_size, raw_entry_size);
    for (size_t i = 0; i < count; ++i)
        if (loaded[i].index != i)
            return false;
    const char *header = reinterpret_cast<const char *>(data);
    device_path.assign(header, strnlen(header, scan_file_header_size));
    items = std::move(loaded);
    return true;
}

QString scan_file_device_path(const volume_item_s &volume)
{
    QString path = volume.volume_path;
    if (path.endsWith(QLatin1Char(path_separator)))
        path.chop(1);
    return path;
}

static int refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return -1;
}

int save_results(const recovery_base_c &engine, const volume_item_s &volume, const QString &path, QString *error)
{
    std::vector<raw_item_s> items;
    if (!engine.get_scan_entries(&items))
        return refuse(error, QStringLiteral("only deep-scan results are kept in scan files"));
    if (items.empty())
        return refuse(error, QStringLiteral("nothing was found"));
    const QByteArray device = scan_file_device_path(volume).toLocal8Bit();
    // A cut path would name another volume, or none, when the file is read back.
    if (static_cast<size_t>(device.size()) >= scan_file_header_size)
        return refuse(error,
                      QStringLiteral("the volume's name is longer than a scan file holds (%1 bytes)")
                          .arg(scan_file_header_size - 1));
    char header[scan_file_header_size] = {};
    memcpy(header, device.constData(), static_cast<size_t>(device.size()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return refuse(error, QStringLiteral("the file cannot be written"));
    QByteArray body(static_cast<qsizetype>(items.size() * raw_entry_size), Qt::Uninitialized);
    for (size_t i = 0; i < items.size(); ++i)
        memcpy(body.data() + i * raw_entry_size, &items[i], raw_entry_size);
    bool written = file.write(header, sizeof(header)) == sizeof(header) && file.write(body) == body.size();
    file.close();
    if (!written || file.error() != QFileDevice::NoError)
        return refuse(error, QStringLiteral("the file cannot be written"));
    return 0;
}

QString read_scan_file(const QString &path, std::vector<raw_item_s> *entries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::string device;
    if (!parse_scan_file(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()),
                         device, *entries))
        return {};
    return QString::fromLocal8Bit(device.data(), static_cast<qsizetype>(device.size()));
}
