// Where the FAT engine's diagnostic lines go: the owner of an engine hands
// it a sink; without one they go nowhere.
#pragma once

#include <functional>
#include <string>

using fat_log_fn = std::function<void(const std::string &line)>;

// Formats like printf and hands the line to sink (skipped when sink is empty).
void fat_log_line(const fat_log_fn &sink, const char *format, ...) __attribute__((format(printf, 2, 3)));
