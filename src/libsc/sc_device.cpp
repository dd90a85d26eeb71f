#include "sc_device.h"

#include "platform/disks.h"

std::unique_ptr<block_device_c> sc_open_device(const std::string &path)
{
    volume_location_s where;
    if (locate_volume(path, where))
        return open_volume(where, open_mode_e::read);
    return open_block_device(path, open_mode_e::read);
}
