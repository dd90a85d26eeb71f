// The rescue map parser from arbitrary text: what parses must print and
// parse again to the same areas, which tile the map without gaps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/imaging/rescue_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    rescue_map_c map;
    if (!rescue_map_c::parse(std::string(reinterpret_cast<const char *>(data), size), map, nullptr))
        return 0;
    uint64_t end = 0;
    for (const map_area_s &a : map.areas()) {
        if (a.pos != end || a.size == 0)
            abort();
        end = a.end();
    }
    rescue_map_c again;
    if (!rescue_map_c::parse(map.text({}), again, nullptr) || again.areas().size() != map.areas().size())
        abort();
    return 0;
}
