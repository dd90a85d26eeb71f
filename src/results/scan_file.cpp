#include "scan_file.h"

#include <QFile>
#include <cstring>

#include "platform/volume_path.h"
#include "results/scan_pieces.h"

bool parse_scan_file(const uint8_t *data, size_t size, std::string &device_path, std::vector<raw_item_s> &items,
                     raw_pieces_t *pieces, std::string *why)
{
    std::string reason;
    auto refuse = [&](const char *text) {
        if (why)
            *why = text;
        return false;
    };
    if (size < scan_file_header_size + raw_entry_size)
        return refuse("the file is shorter than a header and one entry");
    // Entries up to the trailer's magic, which no entry's index matches.
    size_t end = scan_file_header_size;
    while (size - end >= sizeof scan_file_pieces_magic &&
           memcmp(data + end, scan_file_pieces_magic, sizeof scan_file_pieces_magic) != 0) {
        if (size - end < raw_entry_size)
            return refuse("the file ends inside an entry");
        end += raw_entry_size;
    }
    if (end == scan_file_header_size)
        return refuse("the file holds no entry");
    if (end < size && size - end < sizeof scan_file_pieces_magic)
        return refuse("the file ends inside an entry");
    const size_t count = (end - scan_file_header_size) / raw_entry_size;
    std::vector<raw_item_s> loaded(count);
    for (size_t i = 0; i < count; ++i) {
        memcpy(&loaded[i], data + scan_file_header_size + i * raw_entry_size, raw_entry_size);
        if (loaded[i].index != i)
            return refuse("an entry's index is not its place in the table");
    }
    raw_pieces_t joined;
    if (end < size && !parse_scan_pieces(data + end, size - end, loaded, joined, reason))
        return refuse(reason.c_str());
    const char *header = reinterpret_cast<const char *>(data);
    device_path.assign(header, strnlen(header, scan_file_header_size));
    items = std::move(loaded);
    if (pieces)
        *pieces = std::move(joined);
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
    raw_pieces_t pieces;
    if (engine.get_scan_pieces(&pieces))
        body += scan_pieces_trailer(pieces);
    bool written = file.write(header, sizeof(header)) == sizeof(header) && file.write(body) == body.size();
    file.close();
    if (!written || file.error() != QFileDevice::NoError)
        return refuse(error, QStringLiteral("the file cannot be written"));
    return 0;
}

QString read_scan_file(const QString &path, std::vector<raw_item_s> *entries, raw_pieces_t *pieces, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (why)
            *why = QStringLiteral("the file cannot be opened");
        return {};
    }
    const QByteArray bytes = file.readAll();
    std::string device, reason;
    if (!parse_scan_file(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()),
                         device, *entries, pieces, &reason)) {
        if (why)
            *why = QString::fromStdString(reason);
        return {};
    }
    return QString::fromLocal8Bit(device.data(), static_cast<qsizetype>(device.size()));
}
