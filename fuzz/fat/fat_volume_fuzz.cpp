// Mounts bytes as a FAT volume, walks it with the FAT engine and restores
// what it found: damaged boot sectors, chains and folders must end cleanly.
#include <fcntl.h>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "libfat/fat_boot.h"
#include "engines/fat/fat_recovery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fat_geometry_s geometry;
    parse_fat_boot(data, size, 0, geometry);

    std::shared_ptr<block_device_c> volume = std::make_shared<memory_device_c>(data, size);
    fat_recovery_c engine;
    engine.set_log(nullptr);
    engine.set_volume(volume_item_s(), volume);
    engine.run();
    int restored = 0;
    for (auto it = engine.store().cbegin(); it != engine.store().cend() && restored < 8; ++it, ++restored) {
        output_file_c sink(open("/dev/null", O_WRONLY | O_CLOEXEC));
        engine.recover_item(it.key(), sink);
    }
    return 0;
}
