// The volume and drive lists read on a worker thread (the window's start-up,
// its Refresh buttons, images added), so that a page never reads a device to
// fill its list. The process-wide lists (volume_list.h, drive_list.h) change
// only on this object's thread, just before listed().
#pragma once

#include <QList>
#include <QObject>

#include "device_worker.h"
#include "drive_item.h"
#include "platform/disks.h"

// Which lists a listing reads.
enum listed_devices_e : int {
    listing_volumes = 1, // with the free space of each volume
    listing_drives = 2,
};

class device_listing_c : public QObject {
    Q_OBJECT
public:
    // lists: listed_devices_e bits.
    explicit device_listing_c(int lists, QObject *parent = nullptr);

    // Reads the lists on the worker. Asked while a read runs, it reads once
    // more after that one: what it was asked for (an image just added) may
    // have come too late for the read under way.
    void request();
    bool busy() const { return worker.busy(); }

signals:
    // The process-wide lists hold a new read; busy() says whether another
    // read follows.
    void listed();

private:
    void start_read();

    const int lists;
    bool again = false;
    QList<volume_info_s> volumes; // what the worker read
    QList<drive_item_s> drives;
    // Last: it waits for a running read before what the read writes goes.
    device_worker_c worker;
};
