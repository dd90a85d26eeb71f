// The start-up worker: fills the volume and drive lists, then sets
// startup_done and signals. Until then the pages that need the lists refuse.
#pragma once

#include <QThread>
#include <atomic>

// 0 at start, 1 once the device lists are filled; never reset.
extern std::atomic<int> startup_done;

class init_c : public QThread {
    Q_OBJECT
public:
    using QThread::QThread;
    ~init_c() override;

signals:
    void init_finished();

protected:
    void run() override;
};
