#include "ntfs_test_support.h"

#include <QString>
#include <cstring>
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

uint8_t *ntfs_image_s::record(uint64_t n)
{
    return bytes.data() + geometry.mft_lcn * geometry.cluster_size + n * geometry.record_size;
}

std::vector<std::pair<attribute_s, size_t>> ntfs_image_s::find_all(uint64_t n, uint32_t type)
{
    copy.assign(record(n), record(n) + geometry.record_size);
    std::vector<std::pair<attribute_s, size_t>> found;
    std::vector<attribute_s> attrs;
    if (!apply_fixups(copy.data(), copy.size()))
        return found;
    parse_attributes({copy.data(), copy.size()}, attrs);
    for (const attribute_s &a : attrs)
        if (a.type == type)
            found.emplace_back(a,
                               static_cast<size_t>((a.non_resident ? a.mapping_pairs.data : a.value.data) -
                                                   copy.data()));
    return found;
}

void ntfs_image_s::patch(uint64_t n, size_t offset, const void *data, size_t len)
{
    uint8_t *rec = record(n);
    uint16_t usa_offset = 0, usa_count = 0;
    memcpy(&usa_offset, rec + 4, 2);
    memcpy(&usa_count, rec + 6, 2);
    const size_t stride = geometry.record_size / (usa_count - 1u);
    for (size_t i = 0; i < len; ++i) {
        const size_t at = offset + i;
        const uint8_t byte = static_cast<const uint8_t *>(data)[i];
        if (at % stride >= stride - 2)
            rec[usa_offset + 2 * (1 + at / stride) + at % 2] = byte;
        else
            rec[at] = byte;
    }
}

bool load_ntfs_image(const std::string &path, ntfs_image_s &out)
{
    const std::string text = read_file(path);
    out.bytes.assign(text.begin(), text.end());
    return !out.bytes.empty() && parse_boot_sector({out.bytes.data(), out.bytes.size()}, out.geometry);
}
