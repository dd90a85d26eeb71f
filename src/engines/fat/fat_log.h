// Where the FAT engine's diagnostic lines go: the owner of an engine hands
// it a sink (the console by default, nothing when the sink is empty).
#pragma once

#include <functional>
#include <string>

using fat_log_fn = std::function<void(const std::string &line)>;

// Writes each line to standard output as it comes.
fat_log_fn fat_console_log();

// Formats like printf and hands the line to sink (skipped when sink is empty).
void fat_log_line(const fat_log_fn &sink, const char *format, ...) __attribute__((format(printf, 2, 3)));
