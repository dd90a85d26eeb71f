// What a find is worth before it is restored: whether its data still lies
// where the engine will read it.
#pragma once

#include <QString>
#include <QtGlobal>

enum class recovery_state_e : quint8 {
    intact = 0,         // nothing the file is restored from is in use now
    partly_overwritten, // some of it is in use by other files now
    overwritten,        // all of it is in use by other files now
    no_data,            // nothing is left to read: no cluster, no run, clusters outside the volume
    uncertain_end,      // a carved find whose end was bounded, not proved
    joined,             // a carved file put together from pieces
};

constexpr int recovery_state_count = 6;

// The text keys of the command line and of filters: "intact", "partly_overwritten"...
inline QString recovery_state_key(recovery_state_e state)
{
    static const char *const keys[recovery_state_count] = {"intact",  "partly_overwritten", "overwritten",
                                                           "no_data", "uncertain_end",      "joined"};
    const int i = static_cast<int>(state);
    return QLatin1String(i < recovery_state_count ? keys[i] : "intact");
}

// The state a key names; false for an unknown key.
inline bool recovery_state_from_key(const QString &key, recovery_state_e *state)
{
    for (int i = 0; i < recovery_state_count; ++i)
        if (recovery_state_key(static_cast<recovery_state_e>(i)) == key) {
            *state = static_cast<recovery_state_e>(i);
            return true;
        }
    return false;
}

// How much of a stretch of clusters other files use now.
inline recovery_state_e state_of_clusters_in_use(quint64 in_use, quint64 total)
{
    if (in_use == 0)
        return recovery_state_e::intact;
    return in_use >= total ? recovery_state_e::overwritten : recovery_state_e::partly_overwritten;
}
