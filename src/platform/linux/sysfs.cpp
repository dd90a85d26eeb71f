#include "sysfs.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>

std::string read_sysfs_line(const std::string &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool read_sysfs_u64(const std::string &path, uint64_t &out)
{
    std::string line = read_sysfs_line(path);
    if (line.empty() || line.find_first_not_of("0123456789") != std::string::npos || line.size() > 19)
        return false;
    out = std::stoull(line);
    return true;
}

std::vector<std::string> list_folder(const std::string &path)
{
    std::vector<std::string> names;
    DIR *dir = opendir(path.c_str());
    if (!dir)
        return names;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}
