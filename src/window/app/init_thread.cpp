#include "window/app/init_thread.h"

#include "core/devices/drive_list.h"
#include "core/devices/volume_list.h"
#include "engines/volume_free_space.h"

std::atomic<int> startup_done{0};

init_c::~init_c()
{
    wait();
}

void init_c::run()
{
    // The lists first, then the flag, then the signal: the GUI reads the
    // lists only after it sees one of the last two.
    enumerate_volumes(volume_free_bytes);
    enumerate_drives();
    startup_done = 1;
    emit init_finished();
}
