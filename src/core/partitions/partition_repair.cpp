#include "partition_repair.h"

#include <QMutexLocker>
#include <algorithm>

#include "partition_search.h"
#include "platform/block_device.h"
#include "platform/region_file_system.h"

partition_repair_c::partition_repair_c(QObject *parent) : QThread(parent)
{
    qRegisterMetaType<partition_item_s>("partition_item_s");
}

partition_repair_c::~partition_repair_c()
{
    request_stop();
    wait();
}

void partition_repair_c::start_with_drive(const drive_item_s &drive)
{
    if (isRunning() || drive.is_header())
        return;
    {
        QMutexLocker lock(&mutex_);
        drive_ = drive;
        rows_.clear();
    }
    progress_ = 0.0;
    stop_ = false;
    start(QThread::InheritPriority);
}

void partition_repair_c::request_stop()
{
    stop_ = true;
}

void partition_repair_c::search_and_wait(const drive_item_s &drive, const std::function<void(double)> &tick)
{
    start_with_drive(drive);
    while (!wait(200)) {
        if (tick)
            tick(progress());
    }
}

QList<partition_item_s> partition_repair_c::rows() const
{
    QMutexLocker lock(&mutex_);
    return rows_;
}

QString partition_repair_c::open_error() const
{
    QMutexLocker lock(&mutex_);
    return open_error_;
}

drive_item_s partition_repair_c::drive() const
{
    QMutexLocker lock(&mutex_);
    return drive_;
}

void partition_repair_c::run()
{
    const drive_item_s drive = this->drive();
    {
        QMutexLocker lock(&mutex_);
        rows_.clear();
        open_error_.clear();
    }
    progress_ = 0.0;
    std::string why;
    auto device = open_block_device(drive.name.toStdString(), open_mode_e::read_unbuffered, &why);
    if (!device) {
        QMutexLocker lock(&mutex_);
        open_error_ = QString::fromStdString(why);
        return;
    }
    // A size taken from the geometry stops at the last whole cylinder; the
    // device knows the sectors after it too.
    const uint64_t size = std::max<uint64_t>(drive.size, device->size());
    partition_search_hooks_s hooks;
    hooks.found = [this](const partition_item_s &row) {
        {
            QMutexLocker lock(&mutex_);
            rows_.append(row);
        }
        emit partition_found(row);
    };
    hooks.progress = [this](double fraction) { progress_ = fraction; };
    hooks.stop_requested = [this] { return stop_.load(); };
    region_prober_c prober(drive.name.toStdString());
    hooks.probe_other = system_probe_other(prober);
    search_partitions(*device, size, hooks);
}
