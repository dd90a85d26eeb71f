#include "engine_state.h"

#include <QThread>

bool engine_state_s::wait_while_paused()
{
    while (pause.load() != 0) {
        if (stop.load() != 0)
            return false;
        QThread::msleep(100);
    }
    return stop.load() == 0;
}

bool engine_state_s::count_entry()
{
    if (!wait_while_paused())
        return false;
    const quint64 read = read_count;
    const double q = static_cast<double>(read) / 2000.0;
    read_count = read + 1;
    progress = q <= 1.0 ? q : 0.99;
    return true;
}
