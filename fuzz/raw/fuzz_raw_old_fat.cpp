// Old FAT folders recognised in arbitrary bytes taken for a volume, and the
// tree rebuilt from them: geometry, folder reads, names, ".." links.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engines/raw/rebuild/old_fat_folders.h"
#include "rebuilt_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto device = std::make_shared<memory_device_c>(data, size);
    std::vector<old_fat_folder_s> folders;
    for (size_t at = 0; at + 512 <= size; at += 512) {
        old_fat_folder_s f;
        if (old_fat_folder_at(data + at, at, f))
            folders.push_back(f);
    }
    check_rebuilt(rebuild_old_fat(device, std::move(folders)), size);
    return 0;
}
