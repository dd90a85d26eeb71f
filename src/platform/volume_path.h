// Volume name paths: the name by which a volume is opened again later (it is
// stored in scan files and matched on resume).
//
// Form: <source>:<partition>:/ where source is the disk's device node or image
// path with '%' and ':' percent-encoded, and partition is 0 for a whole disk.
// Like the system's volume GUID paths the name ends in a separator, and after
// dropping that separator no name is a prefix of another's: "/dev/sdb:1:"
// cannot begin "/dev/sdb:10:/" and no encoded source contains ':'.
#pragma once

#include <string>

// The separator the platform puts between path components.
constexpr char path_separator = '/';

std::string make_volume_path(const std::string &source, int partition_number);

// Splits a volume name path (with or without its trailing separator).
bool parse_volume_path(const std::string &volume_path, std::string &source, int &partition_number);
