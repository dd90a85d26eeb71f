// Bytes as an exFAT volume, walked by the exFAT engine, and what it found
// restored: damaged boot regions, chains, bitmaps and folders must end cleanly.
#include <fcntl.h>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engines/exfat/exfat_recovery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::shared_ptr<block_device_c> volume = std::make_shared<memory_device_c>(data, size);
    exfat_recovery_c engine;
    engine.set_volume(volume_item_s(), volume);
    engine.run();
    engine.get_found_tree();
    engine.get_note();
    int restored = 0;
    for (auto it = engine.store().cbegin(); it != engine.store().cend() && restored < 8; ++it, ++restored) {
        output_file_c sink(open("/dev/null", O_WRONLY | O_CLOEXEC));
        engine.recover_item(it.key(), sink);
    }
    return 0;
}
