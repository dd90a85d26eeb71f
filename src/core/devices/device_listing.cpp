#include "device_listing.h"

#include "drive_list.h"
#include "engines/volume_free_space.h"
#include "volume_list.h"

device_listing_c::device_listing_c(int lists, QObject *parent) : QObject(parent), lists(lists) {}

void device_listing_c::request()
{
    if (worker.busy()) {
        again = true;
        return;
    }
    start_read();
}

void device_listing_c::start_read()
{
    again = false;
    worker.run(
        [this] {
            if (lists & listing_volumes)
                volumes = read_volume_records(volume_free_bytes);
            if (lists & listing_drives)
                drives = read_drive_rows();
        },
        [this] {
            if (lists & listing_volumes)
                set_volume_lists(volumes);
            if (lists & listing_drives)
                set_drive_rows(drives);
            if (again)
                start_read();
            emit listed();
        });
}
