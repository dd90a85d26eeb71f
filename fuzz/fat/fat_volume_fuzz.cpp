// Mounts bytes as a FAT volume, walks it with the FAT engine and restores
// what it found: damaged boot sectors, chains and folders must end cleanly.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engines/fat/fat_boot.h"
#include "engines/fat/fat_drives.h"
#include "engines/fat/fat_recovery.h"
#include "engines/fat/fat_volume.h"

static std::shared_ptr<memory_device_c> &current_disk()
{
    static std::shared_ptr<memory_device_c> disk;
    return disk;
}

static void setup_once()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    set_fat_log(nullptr);
    fat_drives().set_source([](unsigned index) {
        fat_disk_open_s out;
        if (index == 0) {
            out.state = fat_disk_open_s::opened;
            out.device = current_disk();
        }
        return out;
    });
    set_fat_locator([](const std::string &, volume_location_s &out) {
        out.disk_number = 0;
        out.partition_number = 0;
        out.start_byte = 0;
        return true;
    });
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setup_once();
    fat_geometry_s geometry;
    parse_fat_boot(data, size, 0, geometry);

    current_disk() = std::make_shared<memory_device_c>(data, size);
    fat_drives().reopen_drives();
    fat_recovery_c engine;
    engine.run();
    int restored = 0;
    for (auto it = engine.store().cbegin(); it != engine.store().cend() && restored < 8; ++it, ++restored)
        engine.recover_item(it.key(), QStringLiteral("/dev/null"));
    return 0;
}
