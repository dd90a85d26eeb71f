// The configuration parser, and the header table built from what it accepts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sc_config.h"
#include "sc_matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    sc_config_s config = parse_sc_config(std::string_view(reinterpret_cast<const char *>(data), size));
    sc_matcher_c matcher(config.types);
    std::vector<uint16_t> out;
    matcher.match(data, size, true, out);
    matcher.match(data, size, false, out);
    return 0;
}
