// Our JPEG entropy decoder on arbitrary bytes: the file decoded as its bytes
// lie, then every later place (in steps far shorter than a sector, as the
// inputs are small) tested as the second piece after a seam at every place
// before it. Nothing may be read outside the bytes, and every call must end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "checks/sc_check.h"
#include "join/sc_jpeg_resume.h"
#include "platform/block_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    sc_span_source_c source(data, size);
    sc_cursor_c cursor(source);
    memory_device_c device(data, size);
    sc_jpeg_resume_c resume;
    if (!resume.run(cursor))
        return 0;
    if (resume.end() > size)
        abort(); // read past the bytes
    sc_jpeg_fit_s fit;
    const uint64_t step = 128;
    for (uint64_t seam = step; seam < size; seam += step)
        for (uint64_t start = seam + step; start < size; start += step)
            resume.test(device, 0, seam, start, size, fit);
    return 0;
}
