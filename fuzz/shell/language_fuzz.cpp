// Feeds arbitrary bytes to the language file parser: no crash, no hang, and
// a section made current is one of the wanted name.
#include <cstddef>
#include <cstdint>

#include "window/text/translation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    current_catalogue() = text_catalogue_c();
    const auto *bytes = reinterpret_cast<const char *>(data);
    const QString wanted = QStringLiteral("Deutsch");
    current_catalogue().load_bytes(bytes, size, QStringLiteral("English"), false);
    current_catalogue().load_bytes(bytes, size, wanted, true);
    if (current_catalogue().current_index() != 0 &&
        (current_catalogue().current_index() >= current_catalogue().sections().size() ||
         current_catalogue().sections().at(current_catalogue().current_index()) != wanted))
        __builtin_trap();
    language_code();
    return 0;
}
