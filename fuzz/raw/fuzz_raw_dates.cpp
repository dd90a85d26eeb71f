// The parsers of the dates carved files state: the first byte picks the
// format, the rest is its text (or a FILETIME's eight bytes).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engines/raw/names/carved_dates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    int64_t seconds = 0;
    switch (data[0] % 5) {
    case 0:
        seconds = exif_date(text.substr(0, 20), text.size() > 20 ? text.substr(20) : std::string());
        break;
    case 1:
        seconds = pdf_date(text);
        break;
    case 2:
        seconds = w3cdtf_date(text);
        break;
    case 3: {
        uint64_t filetime = 0;
        memcpy(&filetime, text.data(), std::min(text.size(), sizeof filetime));
        seconds = filetime_date(filetime);
        break;
    }
    default: {
        civil_time_s t;
        int *fields[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second, &t.offset_minutes};
        for (size_t i = 0; i < 7 && 2 * i + 1 < text.size(); ++i)
            *fields[i] =
                static_cast<int16_t>(static_cast<uint8_t>(text[2 * i]) | static_cast<uint8_t>(text[2 * i + 1]) << 8);
        seconds = utc_seconds(t);
    }
    }
    // 1971-01-01 to 10000-01-01 UTC, or none.
    if (seconds != 0 && (seconds < 31536000 || seconds >= 253402300800))
        abort();
    return 0;
}
