#include "ntfs_failure_log.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/user_dirs.h"

void report_ntfs_startup_failure(const char *unit, int line, int result)
{
    static const char message[] = "ntfs_scan_startup failed with return value (%d)\n";
    std::string folder = user_state_dir();
    if (FILE *log = folder.empty() ? nullptr : fopen((folder + "/Pelmet.log").c_str(), "a")) {
        time_t now = time(nullptr);
        char stamp[64] = "";
        if (const char *text = ctime(&now)) {
            strncpy(stamp, text, sizeof stamp - 1);
            stamp[strcspn(stamp, "\r\n")] = '\0';
        }
        fprintf(log, "%s  [%s:%d] ", stamp, unit, line);
        fprintf(log, message, result);
        fclose(log);
    }
    fprintf(stderr, "ERROR: [%s:%d] ", unit, line);
    fprintf(stderr, message, result);
    fflush(stderr);
}
