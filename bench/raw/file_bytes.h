// The whole of a file, for comparing what a tool restored with what was planted.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string read_all(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
