#include "device_worker.h"

#include <QThread>

device_worker_c::device_worker_c(QObject *parent) : QObject(parent) {}

device_worker_c::~device_worker_c()
{
    if (thread)
        thread->wait();
}

bool device_worker_c::run(std::function<void()> work, std::function<void()> done)
{
    if (thread)
        return false;
    done_step = std::move(done);
    thread.reset(QThread::create(std::move(work)));
    connect(thread.get(), &QThread::finished, this, &device_worker_c::on_finished, Qt::QueuedConnection);
    thread->start();
    return true;
}

void device_worker_c::wait()
{
    if (thread)
        thread->wait();
}

void device_worker_c::on_finished()
{
    // finished is sent from the thread just before it ends; the done step
    // may start the next piece of work.
    thread->wait();
    thread.reset();
    const std::function<void()> done = std::move(done_step);
    done_step = nullptr;
    if (done)
        done();
}
