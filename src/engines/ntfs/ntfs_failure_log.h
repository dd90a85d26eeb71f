// The report of a scan that could not start: one line appended to
// Pelmet.log in the user's state folder, and an ERROR line on stderr.
#pragma once

void report_ntfs_startup_failure(const char *unit, int line, int result);
