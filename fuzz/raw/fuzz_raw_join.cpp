// The join search over an image held in memory: whatever the bytes, pieces
// come back in order, inside the image, and only for a file at its start.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/block_device.h"
#include "sc_join.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    memory_device_c device(data, size);
    const std::vector<sc_piece_s> pieces = sc_join_find(device, 0);
    if (pieces.empty())
        return 0;
    if (pieces.size() != 2 || pieces[0].offset != 0 || pieces[1].offset < pieces[0].length + 512)
        abort();
    if (pieces[1].offset > size || pieces[1].length > size - pieces[1].offset)
        abort();
    return 0;
}
