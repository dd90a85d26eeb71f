// The scan file loader, with its trailers of joined finds and rebuilt
// folders and its checksum.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/scanfile/scan_check.h"
#include "core/scanfile/scan_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path;
    std::vector<raw_item_s> items;
    raw_pieces_t pieces;
    std::string why;
    bool checked = false;
    rebuilt_tree_s rebuilt;
    if (parse_scan_file(data, size, path, items, &pieces, &why, &checked, &rebuilt)) {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].index != i)
                abort();
        if (path.size() > scan_file_header_size)
            abort();
        // Accepted pieces are their entry's bytes, in order.
        for (const auto &[index, list] : pieces) {
            if (index >= items.size() || list.size() < 2 || list[0].offset != items[index].offset)
                abort();
            uint64_t total = 0;
            for (size_t i = 0; i < list.size(); ++i) {
                if (i > 0 && list[i].offset < list[i - 1].offset + list[i - 1].length)
                    abort();
                total += list[i].length;
            }
            if (total != items[index].length)
                abort();
        }
        // Stretches are checked against the volume when the file is read
        // back; folders and files here lie in folders that are there.
        for (const rebuilt_file_s &file : rebuilt.files)
            if (file.folder >= rebuilt.folders.size() || file.held > file.size)
                abort();
        for (const rebuilt_folder_s &folder : rebuilt.folders)
            if (folder.parent >= rebuilt.folders.size())
                abort();
        // A file without the checksum, sealed with one, reads the same.
        if (!checked) {
            QByteArray sealed(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
            sealed += scan_check_trailer(sealed);
            std::string again_path;
            std::vector<raw_item_s> again;
            bool again_checked = false;
            if (!parse_scan_file(reinterpret_cast<const uint8_t *>(sealed.constData()), size_t(sealed.size()),
                                 again_path, again, nullptr, nullptr, &again_checked) ||
                !again_checked || again_path != path || again.size() != items.size() ||
                memcmp(again.data(), items.data(), items.size() * sizeof(raw_item_s)) != 0)
                abort();
        }
    } else if (why.empty()) {
        abort(); // a refusal always says why
    }
    return 0;
}
