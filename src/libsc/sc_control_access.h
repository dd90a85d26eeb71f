// The control block's shared fields are plain C fields written by one thread
// and read by another; these helpers make every access atomic.
#pragma once

#include "libsc.h"

inline int32_t sc_get_pause(const raw_scan_control_s *c)
{
    return __atomic_load_n(&c->pause, __ATOMIC_ACQUIRE);
}
inline int32_t sc_get_stop(const raw_scan_control_s *c)
{
    return __atomic_load_n(&c->stop, __ATOMIC_ACQUIRE);
}
inline void sc_set_pause(raw_scan_control_s *c, int32_t v)
{
    __atomic_store_n(&c->pause, v, __ATOMIC_RELEASE);
}
inline void sc_set_stop(raw_scan_control_s *c, int32_t v)
{
    __atomic_store_n(&c->stop, v, __ATOMIC_RELEASE);
}

inline double sc_get_progress(const raw_scan_control_s *c)
{
    double v;
    __atomic_load(&c->progress, &v, __ATOMIC_ACQUIRE);
    return v;
}

inline void sc_set_progress(raw_scan_control_s *c, double v)
{
    __atomic_store(&c->progress, &v, __ATOMIC_RELEASE);
}
