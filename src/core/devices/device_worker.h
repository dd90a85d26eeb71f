// Long reads and writes of devices off the GUI thread: one piece of work at
// a time on a thread of its own, then a step on the owner's thread, where
// the work's results are read.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QThread;

class device_worker_c : public QObject {
    Q_OBJECT
public:
    explicit device_worker_c(QObject *parent = nullptr);
    // Waits for work still running; its done step is dropped.
    ~device_worker_c() override;

    // Runs work on the worker thread, then done on this object's thread.
    // False, running nothing, until earlier work has reached its done step.
    bool run(std::function<void()> work, std::function<void()> done);
    bool busy() const { return thread != nullptr; }
    // Waits for work still running; its done step still comes afterwards.
    void wait();

private:
    void on_finished();

    std::unique_ptr<QThread> thread;
    std::function<void()> done_step;
};
