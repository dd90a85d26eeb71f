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
