#include "../thread_priority.h"

#include <pthread.h>
#include <sched.h>

bool run_when_cores_are_free()
{
    // Lowering a thread's own policy needs no privilege.
    sched_param param{};
    return pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0;
}
