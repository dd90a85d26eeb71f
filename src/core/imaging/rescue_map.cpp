#include "rescue_map.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>

namespace {

bool failed(area_status_e s)
{
    return s == area_status_e::untrimmed || s == area_status_e::unscraped || s == area_status_e::bad;
}

bool status_of(char c, area_status_e &out)
{
    switch (c) {
    case '?': case '*': case '/': case '-': case '+':
        out = static_cast<area_status_e>(c);
        return true;
    default:
        return false;
    }
}

bool phase_of(char c, imaging_phase_e &out)
{
    // ddrescue's fill and generate modes leave phases we never continue.
    switch (c) {
    case '?': case '*': case '/': case '-': case '+':
        out = static_cast<imaging_phase_e>(c);
        return true;
    default:
        return false;
    }
}

// A number as the format writes it: 0x hex, or decimal.
bool number(const std::string &word, uint64_t &out)
{
    if (word.empty() || word[0] == '-' || word[0] == '+')
        return false;
    errno = 0;
    char *end = nullptr;
    const unsigned long long v = strtoull(word.c_str(), &end, 0);
    if (errno != 0 || *end != '\0')
        return false;
    out = v;
    return true;
}

std::vector<std::string> words_of(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string hex(uint64_t v)
{
    char text[24];
    snprintf(text, sizeof text, "0x%08" PRIX64, v);
    return text;
}

} // namespace

rescue_map_c::rescue_map_c(uint64_t size)
{
    if (size)
        areas_.push_back(map_area_s{0, size, area_status_e::untried});
}

bool rescue_map_c::parse(const std::string &text, rescue_map_c &out, std::string *error)
{
    auto fail = [&](size_t line, const std::string &why) {
        if (error)
            *error = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    rescue_map_c map;
    bool have_status = false;
    std::istringstream in(text);
    size_t line_number = 0;
    for (std::string line; std::getline(in, line);) {
        ++line_number;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const std::vector<std::string> words = words_of(line);
        if (!have_status) {
            if (words.size() < 2 || words.size() > 3 || words[1].size() != 1 ||
                !number(words[0], map.current_pos) || !phase_of(words[1][0], map.phase))
                return fail(line_number, "not a current position and status");
            uint64_t pass = 1;
            if (words.size() == 3 && (!number(words[2], pass) || pass < 1 || pass > 1000))
                return fail(line_number, "not a pass number");
            map.pass = static_cast<int>(pass);
            have_status = true;
            continue;
        }
        map_area_s area;
        if (words.size() != 3 || words[2].size() != 1 || !number(words[0], area.pos) ||
            !number(words[1], area.size) || !status_of(words[2][0], area.status))
            return fail(line_number, "not a position, size and status");
        if (area.size == 0 || area.pos + area.size < area.pos)
            return fail(line_number, "an empty or overflowing area");
        if (area.pos < map.size())
            return fail(line_number, "an area out of order or overlapping the one before");
        if (area.pos > map.size())
            map.append(map_area_s{map.size(), area.pos - map.size(), area_status_e::untried});
        map.append(area);
    }
    if (!have_status)
        return fail(line_number, "no current position and status");
    out = std::move(map);
    return true;
}

std::string rescue_map_c::text(const std::vector<std::string> &comments) const
{
    std::string t;
    for (const std::string &c : comments)
        t += "# " + c + "\n";
    t += "# current_pos  current_status  current_pass\n";
    t += hex(current_pos) + "     " + static_cast<char>(phase) + "               " + std::to_string(pass) + "\n";
    t += "#      pos        size  status\n";
    for (const map_area_s &a : areas_)
        t += hex(a.pos) + "  " + hex(a.size) + "  " + static_cast<char>(a.status) + "\n";
    return t;
}

void rescue_map_c::append(const map_area_s &area)
{
    if (!areas_.empty() && areas_.back().status == area.status)
        areas_.back().size += area.size;
    else
        areas_.push_back(area);
}

void rescue_map_c::mark(uint64_t pos, uint64_t size, area_status_e status)
{
    if (size == 0)
        return;
    const uint64_t end = pos + size;
    if (end > this->size())
        append(map_area_s{this->size(), end - this->size(), area_status_e::untried});
    // Only the areas it overlaps, and equal neighbours it joins, change.
    auto first = std::lower_bound(areas_.begin(), areas_.end(), pos,
                                  [](const map_area_s &a, uint64_t p) { return a.end() <= p; });
    auto last = std::lower_bound(first, areas_.end(), end,
                                 [](const map_area_s &a, uint64_t e) { return a.pos < e; });
    std::vector<map_area_s> with;
    if (first->pos < pos)
        with.push_back(map_area_s{first->pos, pos - first->pos, first->status});
    with.push_back(map_area_s{pos, size, status});
    if (std::prev(last)->end() > end)
        with.push_back(map_area_s{end, std::prev(last)->end() - end, std::prev(last)->status});
    if (first != areas_.begin() && std::prev(first)->status == with.front().status)
        with.insert(with.begin(), *--first);
    if (last != areas_.end() && last->status == with.back().status)
        with.push_back(*last++);
    std::vector<map_area_s> joined;
    for (const map_area_s &a : with) {
        if (!joined.empty() && joined.back().status == a.status)
            joined.back().size += a.size;
        else
            joined.push_back(a);
    }
    const auto at = areas_.erase(first, last);
    areas_.insert(at, joined.begin(), joined.end());
}

bool rescue_map_c::fit(uint64_t size)
{
    if (this->size() > size)
        return false;
    if (this->size() < size)
        mark(this->size(), size - this->size(), area_status_e::untried);
    return true;
}

const map_area_s *rescue_map_c::next_with(area_status_e status, uint64_t pos) const
{
    auto it = std::lower_bound(areas_.begin(), areas_.end(), pos,
                               [](const map_area_s &a, uint64_t p) { return a.end() <= p; });
    for (; it != areas_.end(); ++it)
        if (it->status == status)
            return &*it;
    return nullptr;
}

const map_area_s *rescue_map_c::previous_with(area_status_e status, uint64_t end) const
{
    auto it = std::lower_bound(areas_.begin(), areas_.end(), end,
                               [](const map_area_s &a, uint64_t e) { return a.pos < e; });
    while (it != areas_.begin()) {
        --it;
        if (it->status == status)
            return &*it;
    }
    return nullptr;
}

uint64_t rescue_map_c::bytes_with(area_status_e status) const
{
    uint64_t n = 0;
    for (const map_area_s &a : areas_)
        if (a.status == status)
            n += a.size;
    return n;
}

uint64_t rescue_map_c::failed_bytes() const
{
    uint64_t n = 0;
    for (const map_area_s &a : areas_)
        if (failed(a.status))
            n += a.size;
    return n;
}

uint64_t rescue_map_c::failed_areas() const
{
    uint64_t n = 0;
    bool in_run = false;
    for (const map_area_s &a : areas_) {
        if (failed(a.status) && !in_run)
            ++n;
        in_run = failed(a.status);
    }
    return n;
}
