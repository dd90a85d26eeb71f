#include "mount_table.h"

#include <fstream>
#include <sstream>

namespace {

std::string unescape(const std::string &field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && field.size() - i > 3) {
            const char *d = field.c_str() + i + 1;
            if (d[0] >= '0' && d[0] <= '3' && d[1] >= '0' && d[1] <= '7' && d[2] >= '0' && d[2] <= '7') {
                out += static_cast<char>((d[0] - '0') * 64 + (d[1] - '0') * 8 + (d[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool parse_number(const std::string &text, uint32_t &out)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = static_cast<uint32_t>(std::stoul(text));
    return true;
}

} // namespace

std::map<device_number_t, std::vector<std::string>> parse_mountinfo(const std::string &text)
{
    // Fields: id, parent id, major:minor, root, mount point, options, ...
    std::map<device_number_t, std::vector<std::string>> table;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, mount_point;
        if (!(fields >> id >> parent >> numbers >> root >> mount_point))
            continue;
        size_t colon = numbers.find(':');
        device_number_t device;
        if (colon == std::string::npos || !parse_number(numbers.substr(0, colon), device.first) ||
            !parse_number(numbers.substr(colon + 1), device.second))
            continue;
        // A bind mount of a sub-folder is not the volume's root.
        if (root != "/")
            continue;
        table[device].push_back(unescape(mount_point));
    }
    return table;
}

std::map<device_number_t, std::vector<std::string>> read_mount_table()
{
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    return parse_mountinfo(text.str());
}
