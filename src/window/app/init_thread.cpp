#include "window/app/init_thread.h"

std::atomic<int> startup_done{0};

init_c::init_c(QObject *parent) : QObject(parent), listing(listing_volumes | listing_drives)
{
    connect(&listing, &device_listing_c::listed, this, &init_c::on_listed);
}

void init_c::start()
{
    listing.request();
}

void init_c::on_listed()
{
    // The lists are set on this thread before listed: the GUI reads them
    // only after it sees startup_done or init_finished.
    startup_done = 1;
    emit init_finished();
}
