// The mount table parser from arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/linux/mount_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    parse_mountinfo(std::string(reinterpret_cast<const char *>(data), size));
    return 0;
}
