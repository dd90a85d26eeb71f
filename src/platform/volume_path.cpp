#include "volume_path.h"

#include <cctype>
#include <cstdio>

std::string make_volume_path(const std::string &source, int partition_number)
{
    std::string out;
    out.reserve(source.size() + 8);
    for (char c : source) {
        if (c == '%')
            out += "%25";
        else if (c == ':')
            out += "%3A";
        else
            out += c;
    }
    out += ':';
    out += std::to_string(partition_number);
    out += ":/";
    return out;
}

static int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool parse_volume_path(const std::string &volume_path, std::string &source, int &partition_number)
{
    std::string s = volume_path;
    if (!s.empty() && s.back() == path_separator)
        s.pop_back();
    if (s.empty() || s.back() != ':')
        return false;
    s.pop_back();
    size_t colon = s.rfind(':');
    if (colon == std::string::npos || colon + 1 == s.size() || s.size() - colon > 6)
        return false;
    int number = 0;
    for (size_t i = colon + 1; i < s.size(); ++i) {
        if (!isdigit(static_cast<unsigned char>(s[i])))
            return false;
        number = number * 10 + (s[i] - '0');
    }
    std::string decoded;
    for (size_t i = 0; i < colon; ++i) {
        if (s[i] == ':')
            return false;
        if (s[i] == '%') {
            if (i + 2 >= colon)
                return false;
            int hi = hex_value(s[i + 1]), lo = hex_value(s[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            decoded += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            decoded += s[i];
        }
    }
    if (decoded.empty())
        return false;
    source = decoded;
    partition_number = number;
    return true;
}
