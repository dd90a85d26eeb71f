// The scan file loader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "results/scan_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path;
    std::vector<raw_item_s> items;
    if (parse_scan_file(data, size, path, items)) {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].index != i)
                abort();
        if (path.size() > scan_file_header_size)
            abort();
    }
    return 0;
}
