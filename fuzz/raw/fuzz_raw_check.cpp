// One structure check on arbitrary bytes; with no name compiled in, the
// first byte picks the check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "checks/sc_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
#ifdef SC_CHECK_NAME
    sc_check_fn check = find_sc_check(SC_CHECK_NAME);
#else
    if (size == 0)
        return 0;
    const auto names = sc_check_names();
    sc_check_fn check = find_sc_check(names[data[0] % names.size()]);
    ++data;
    --size;
#endif
    sc_span_source_c source(data, size);
    sc_cursor_c cursor(source);
    sc_result_s r = check(cursor);
    if (r.verdict != sc_verdict_e::reject && r.length > size)
        abort(); // a check may never claim bytes that are not there
    return 0;
}
