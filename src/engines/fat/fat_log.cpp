#include "fat_log.h"

#include <cstdarg>
#include <cstdio>

void fat_log_line(const fat_log_fn &sink, const char *format, ...)
{
    if (!sink)
        return;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n > 0) {
        std::string line(static_cast<size_t>(n) + 1, '\0');
        vsnprintf(&line[0], line.size(), format, again);
        line.resize(static_cast<size_t>(n));
        sink(line);
    }
    va_end(again);
}
