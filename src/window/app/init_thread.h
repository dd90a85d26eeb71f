// The start-up listing: reads the volume and drive lists on a worker, then
// sets startup_done and sends init_finished. Until then the pages that need
// the lists refuse.
#pragma once

#include <QObject>
#include <atomic>

#include "core/devices/device_listing.h"

// 0 at start, 1 once the device lists are filled; never reset.
extern std::atomic<int> startup_done;

class init_c : public QObject {
    Q_OBJECT
public:
    explicit init_c(QObject *parent = nullptr);

    void start();

signals:
    void init_finished();

private:
    void on_listed();

    device_listing_c listing;
};
