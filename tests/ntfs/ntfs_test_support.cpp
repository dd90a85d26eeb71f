#include "ntfs_test_support.h"

#include <QString>
#include <fstream>
#include <sstream>

std::shared_ptr<block_device_c> open_image_volume(const std::string &path, uint64_t offset)
{
    std::shared_ptr<block_device_c> image = open_block_device(path, open_mode_e::read);
    if (!image || offset == 0)
        return image;
    return std::make_shared<slice_device_c>(image, offset, image->size() - offset);
}

scan_session_s::~scan_session_s()
{
    if (context.open)
        ntfs_scan_shutdown(&context);
}

std::map<uint64_t, ntfs_scan_record> scan_all(ntfs_scan_context &context)
{
    std::map<uint64_t, ntfs_scan_record> records;
    for (;;) {
        ntfs_scan_record record{};
        if (!ntfs_scan_next(&context, &record))
            break;
        records[record.id] = record;
    }
    return records;
}

std::string name_of(const ntfs_scan_record &record)
{
    size_t n = 0;
    while (n < 260 && record.name[n])
        ++n;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(record.name), static_cast<qsizetype>(n)).toStdString();
}

std::string path_of(const std::map<uint64_t, ntfs_scan_record> &records, uint64_t id)
{
    std::string path;
    for (int depth = 0; depth < 256; ++depth) {
        auto it = records.find(id);
        if (it == records.end())
            return "";
        if (id == 5)
            return path;
        path = "/" + name_of(it->second) + path;
        id = it->second.parent_id;
    }
    return "";
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
