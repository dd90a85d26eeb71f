// The whole scan over an image held in memory: header table, checks,
// fallbacks and the resume rule together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "libsc.h"
#include "sc_config.h"
#include "sc_scanner.h"

namespace {
struct bounds_s {
    uint64_t size;
};

void check_find(void *user, const char *, uint64_t offset, uint64_t length)
{
    auto *b = static_cast<bounds_s *>(user);
    if (offset >= b->size || length == 0 || length > b->size - offset)
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    memory_device_c device(data, size);
    bounds_s bounds{size};
    raw_scan_control_s control{};
    control.user = &bounds;
    control.found = check_find;
    sc_scan_device(builtin_sc_config(), device, &control);
    return 0;
}
