#include "sc_device.h"

#include "platform/volume_path.h"

std::unique_ptr<block_device_c> sc_open_device(const std::string &path)
{
    std::string source;
    int partition = 0;
    if (parse_volume_path(path, source, partition) && partition == 0)
        return open_block_device(source, open_mode_e::read);
    return open_block_device(path, open_mode_e::read);
}
