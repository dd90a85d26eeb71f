#include "scan_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>

#include "platform/le_bytes.h"
#include "platform/volume_path.h"
#include "core/scanfile/scan_check.h"
#include "core/scanfile/scan_pieces.h"
#include "core/scanfile/scan_rebuilt.h"

namespace {

bool starts_with(const uint8_t *data, size_t size, const char (&magic)[8])
{
    return size >= sizeof magic && memcmp(data, magic, sizeof magic) == 0;
}

// A trailer's bytes from its magic: its stated length after the 16-byte
// head, or all that is left when that does not fit (its parser says why).
size_t trailer_size(const uint8_t *data, size_t size)
{
    if (size < 16)
        return size;
    const uint64_t body = le64_at(data + 8);
    return body <= size - 16 ? static_cast<size_t>(16 + body) : size;
}

} // namespace

bool parse_scan_file(const uint8_t *data, size_t size, std::string &device_path, std::vector<raw_item_s> &items,
                     raw_pieces_t *pieces, std::string *why, bool *checked, rebuilt_tree_s *rebuilt)
{
    std::string reason;
    auto refuse = [&](const char *text) {
        if (why)
            *why = text;
        return false;
    };
    const scan_check_e check = read_scan_check(data, size);
    if (check == scan_check_e::fails)
        return refuse("its checksum does not match its contents (the file is damaged)");
    if (check == scan_check_e::matches)
        size -= scan_file_check_size;
    if (size < scan_file_header_size + raw_entry_size)
        return refuse("the file is shorter than a header and one entry");
    // Entries up to a trailer's magic, which no entry's index matches. The
    // index is checked on the way, so that any other file is told apart at
    // its first entries, however large it is.
    size_t end = scan_file_header_size;
    for (uint64_t index = 0; size - end >= sizeof scan_file_pieces_magic &&
         !starts_with(data + end, size - end, scan_file_pieces_magic) &&
         !starts_with(data + end, size - end, scan_file_rebuilt_magic);
         ++index) {
        if (size - end < raw_entry_size)
            return refuse("the file ends inside an entry");
        if (le64_at(data + end) != index)
            return refuse("an entry's index is not its place in the table");
        end += raw_entry_size;
    }
    if (end < size && size - end < sizeof scan_file_pieces_magic)
        return refuse("the file ends inside an entry");
    const bool has_rebuilt = starts_with(data + end, size - end, scan_file_rebuilt_magic);
    if (end == scan_file_header_size && !has_rebuilt)
        return refuse("the file holds no entry");
    const size_t count = (end - scan_file_header_size) / raw_entry_size;
    std::vector<raw_item_s> loaded(count);
    for (size_t i = 0; i < count; ++i)
        memcpy(&loaded[i], data + scan_file_header_size + i * raw_entry_size, raw_entry_size);
    raw_pieces_t joined;
    if (starts_with(data + end, size - end, scan_file_pieces_magic)) {
        const size_t length = trailer_size(data + end, size - end);
        if (!parse_scan_pieces(data + end, length, loaded, joined, reason))
            return refuse(reason.c_str());
        end += length;
    }
    rebuilt_tree_s tree;
    if (starts_with(data + end, size - end, scan_file_rebuilt_magic)) {
        const size_t length = trailer_size(data + end, size - end);
        if (!parse_scan_rebuilt(data + end, length, tree, reason))
            return refuse(reason.c_str());
        end += length;
    }
    if (end != size)
        return refuse("the file runs on after its entries and trailers");
    const char *header = reinterpret_cast<const char *>(data);
    device_path.assign(header, strnlen(header, scan_file_header_size));
    items = std::move(loaded);
    if (pieces)
        *pieces = std::move(joined);
    if (rebuilt)
        *rebuilt = std::move(tree);
    if (checked)
        *checked = check == scan_check_e::matches;
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
    rebuilt_tree_s rebuilt;
    engine.get_scan_rebuilt(&rebuilt);
    if (items.empty() && rebuilt.empty())
        return refuse(error, QStringLiteral("nothing was found"));
    const QByteArray device = scan_file_device_path(volume).toLocal8Bit();
    // A cut path would name another volume, or none, when the file is read back.
    if (static_cast<size_t>(device.size()) >= scan_file_header_size)
        return refuse(error,
                      QStringLiteral("the volume's name is longer than a scan file holds (%1 bytes)")
                          .arg(scan_file_header_size - 1));
    QByteArray contents(scan_file_header_size, '\0');
    memcpy(contents.data(), device.constData(), static_cast<size_t>(device.size()));
    contents.reserve(static_cast<qsizetype>(scan_file_header_size + items.size() * raw_entry_size));
    for (const raw_item_s &item : items)
        contents.append(reinterpret_cast<const char *>(&item), raw_entry_size);
    raw_pieces_t pieces;
    if (engine.get_scan_pieces(&pieces))
        contents += scan_pieces_trailer(pieces);
    contents += scan_rebuilt_trailer(rebuilt);
    contents += scan_check_trailer(contents);
    // A temporary beside path, synced and then renamed over it: a failure
    // leaves what was there before, never half a file. Not committed, the
    // temporary is removed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit())
        return refuse(error, QStringLiteral("the file cannot be written (%1)").arg(file.errorString()));
    return 0;
}

QString read_scan_file(const QString &path, std::vector<raw_item_s> *entries, raw_pieces_t *pieces, QString *why,
                       bool *checked, rebuilt_tree_s *rebuilt)
{
    auto refuse = [&](const QString &reason) {
        if (why)
            *why = reason;
        return QString();
    };
    // A device or a fifo would be read without end.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("the file cannot be opened"));
    // Mapped, not read whole: a large file that is no scan file is told
    // apart by its first pages.
    const qint64 size = file.size();
    const uchar *bytes = size > 0 ? file.map(0, size) : nullptr;
    if (size > 0 && !bytes)
        return refuse(QStringLiteral("the file cannot be read"));
    std::string device, reason;
    if (!parse_scan_file(bytes, static_cast<size_t>(size), device, *entries, pieces, &reason, checked, rebuilt))
        return refuse(QString::fromStdString(reason));
    return QString::fromLocal8Bit(device.data(), static_cast<qsizetype>(device.size()));
}
