// Feeds arbitrary bytes to the language file parser: no crash, no hang, and
// a section made current is one of the wanted name.
#include <cstddef>
#include <cstdint>

#include "shell/translation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    text_table.clear();
    current_language_index = 0;
    const auto* bytes = reinterpret_cast<const char*>(data);
    const QString wanted = QStringLiteral("Deutsch");
    load_language_bytes(bytes, size, QStringLiteral("English"), false);
    load_language_bytes(bytes, size, wanted, true);
    if (current_language_index != 0 &&
        (current_language_index >= language_sections.size() || language_sections.at(current_language_index) != wanted))
        __builtin_trap();
    language_code();
    return 0;
}
