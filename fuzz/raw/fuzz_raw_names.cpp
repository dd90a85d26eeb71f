// The readers of carved files' metadata and the name and dates made from
// what they return: the first byte picks the type.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engines/raw/names/carved_name.h"

namespace {

// 1971-01-01 to 10000-01-01 UTC: what a date the readers give can be.
bool date_or_none(int64_t seconds)
{
    return seconds == 0 || (seconds >= 31536000 && seconds < 253402300800);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char *const types[] = {"jpg", "tif", "pdf", "docx", "doc", "mp3", "png"};
    if (size == 0)
        return 0;
    const std::string type = types[data[0] % 7];
    sc_span_source_c file(data + 1, size - 1);
    const carved_meta_s meta = read_carved_meta(type, file);
    const std::string name = carved_file_name(7, meta.label, type);
    // A name is one plain entry of a folder, whatever the file holds.
    for (unsigned char c : name)
        if (c < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
            c == '|')
            abort();
    if (name.compare(0, 8, "00000007") != 0 || name.size() > 8 + 1 + 4 * carved_label_chars + 1 + type.size())
        abort();
    if (!date_or_none(meta.modified) || !date_or_none(meta.created))
        abort();
    return 0;
}
