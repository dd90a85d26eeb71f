// Old MFT records and index blocks recognised in arbitrary bytes taken for
// a volume, and the tree rebuilt from them: fix-ups, attributes, parents,
// sequence numbers, stale copies, data runs.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engines/raw/rebuild/old_mft_records.h"
#include "rebuilt_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto device = std::make_shared<memory_device_c>(data, size);
    old_mft_c old(device);
    for (size_t at = 0; at + 512 <= size; at += 512)
        old.look_at(at, data + at, size - at);
    check_rebuilt(old.rebuild(device), size);
    return 0;
}
