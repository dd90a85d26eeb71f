#include "scan_file.h"

#include <QFile>
#include <cstring>

#include "engines/raw/raw_recovery.h"

bool parse_scan_file(const uint8_t *data, size_t size, std::string &device_path, std::vector<raw_item_s> &items)
{
    if (size < scan_file_header_size + sizeof(raw_item_s) || (size - scan_file_header_size) % sizeof(raw_item_s))
        return false;
    size_t count = (size - scan_file_header_size) / sizeof(raw_item_s);
    std::vector<raw_item_s> loaded(count);
    memcpy(loaded.data(), data + scan_file_header_size, count * sizeof(raw_item_s));
    for (const raw_item_s &item : loaded)
        if (item.index >= count)
            return false;
    const char *header = reinterpret_cast<const char *>(data);
    device_path.assign(header, strnlen(header, scan_file_header_size));
    items = std::move(loaded);
    return true;
}

int save_results(const raw_recovery_c &engine, const QString &path)
{
    const std::vector<raw_item_s> &items = engine.items();
    if (items.empty())
        return -1;
    char header[scan_file_header_size] = {};
    const std::string &device = engine.device_path();
    memcpy(header, device.data(), std::min(device.size(), scan_file_header_size - 1));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    const qint64 body = static_cast<qint64>(items.size() * sizeof(raw_item_s));
    bool written = file.write(header, sizeof(header)) == sizeof(header) &&
                   file.write(reinterpret_cast<const char *>(items.data()), body) == body;
    file.close();
    return written && file.error() == QFileDevice::NoError ? 0 : -1;
}

QString load_results(raw_recovery_c &engine, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::string device;
    std::vector<raw_item_s> items;
    if (!parse_scan_file(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()),
                         device, items))
        return {};
    engine.set_results(device, std::move(items));
    return QString::fromStdString(device);
}
