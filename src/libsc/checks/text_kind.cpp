#include "text_kind.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {

bool is_space(uint32_t ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f';
}

bool starts_with_nocase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

bool contains_nocase(std::string_view s, std::string_view what)
{
    for (size_t i = 0; i + what.size() <= s.size(); ++i)
        if (starts_with_nocase(s.substr(i), what))
            return true;
    return false;
}

bool contains(std::string_view s, std::string_view what)
{
    return s.find(what) != std::string_view::npos;
}

// Lines of head that are complete (the last, cut off by the head's end, is not).
template <typename Fn> void for_each_line(std::string_view head, size_t most, Fn fn)
{
    for (size_t at = 0, n = 0; n < most;) {
        size_t eol = head.find('\n', at);
        if (eol == std::string_view::npos)
            return;
        std::string_view line = head.substr(at, eol - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        fn(line);
        at = eol + 1;
        ++n;
    }
}

// Separated values: at least three lines, not all alike, each with the same
// number (two or more: prose often has one comma a line) of one separator
// outside quotes.
bool looks_like_csv(std::string_view head)
{
    for (char sep : {',', ';', '\t', '|'}) {
        int lines = 0, count = -1;
        bool same = true, varied = false;
        std::string_view first;
        for_each_line(head, 20, [&](std::string_view line) {
            if (line.empty())
                return;
            int n = 0;
            bool quoted = false;
            for (char ch : line) {
                if (ch == '"')
                    quoted = !quoted;
                else if (ch == sep && !quoted)
                    ++n;
            }
            same &= count < 0 || n == count;
            count = n;
            if (lines++ == 0)
                first = line;
            varied |= line != first;
        });
        if (same && varied && lines >= 3 && count >= 2)
            return true;
    }
    return false;
}

const char *script_kind(std::string_view first_line)
{
    if (contains(first_line, "python"))
        return "py";
    if (contains(first_line, "node"))
        return "js";
    if (contains(first_line, "perl"))
        return "pl";
    return "sh";
}

bool is_name_char(char ch)
{
    return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_';
}

// "a.b.c" and nothing else.
bool is_dotted_name(std::string_view s)
{
    if (s.empty() || s.front() == '.' || s.back() == '.' || std::isdigit(static_cast<unsigned char>(s.front())))
        return false;
    for (char ch : s)
        if (!is_name_char(ch) && ch != '.')
            return false;
    return true;
}

// "import a.b, c as d" or "from a.b import c, d" (or "import *", "import ("):
// a line made only of names, as prose that starts with either word is not.
bool is_python_import(std::string_view line)
{
    auto names = [](std::string_view list) {
        if (list == "*" || list == "(")
            return true;
        for (size_t at = 0; at <= list.size();) {
            size_t comma = std::min(list.find(',', at), list.size());
            std::string_view item = list.substr(at, comma - at);
            while (!item.empty() && item.front() == ' ')
                item.remove_prefix(1);
            while (!item.empty() && item.back() == ' ')
                item.remove_suffix(1);
            const size_t as = item.find(" as ");
            if (!is_dotted_name(item.substr(0, as)) ||
                (as != std::string_view::npos && !is_dotted_name(item.substr(as + 4))))
                return false;
            at = comma + 1;
        }
        return true;
    };
    if (line.substr(0, 7) == "import ")
        return names(line.substr(7));
    if (line.substr(0, 5) != "from ")
        return false;
    const size_t import_at = line.find(" import ");
    return import_at != std::string_view::npos && is_dotted_name(line.substr(5, import_at - 5)) &&
        names(line.substr(import_at + 8));
}

// "def name(...):" or "class Name:" / "class Name(...):".
bool is_python_block_start(std::string_view line)
{
    std::string_view rest;
    if (line.substr(0, 4) == "def ")
        rest = line.substr(4);
    else if (line.substr(0, 6) == "class ")
        rest = line.substr(6);
    else
        return false;
    size_t name = 0;
    while (name < rest.size() && is_name_char(rest[name]))
        ++name;
    return name > 0 && !rest.empty() && rest.back() == ':' && (rest[name] == '(' || rest[name] == ':');
}

bool is_indented(std::string_view line)
{
    return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

// A line of JavaScript: one that begins with a declaration and ends the way
// a statement or block does, not a sentence that begins with "let" or "const".
bool is_js_statement(std::string_view line)
{
    auto starts = [&](std::string_view p) { return line.substr(0, p.size()) == p; };
    if (line.empty())
        return false;
    const char last = line.back();
    const bool code_end = last == ';' || last == '{' || last == '}' || last == '(' || last == ',';
    if (starts("import ") && (contains(line, " from '") || contains(line, " from \"")))
        return true;
    if (contains(line, "module.exports") || contains(line, "require(") || contains(line, "=> {"))
        return true;
    return code_end &&
        (starts("function ") || starts("const ") || starts("let ") || starts("var ") || starts("export "));
}

// Source code by the lines that begin its statements, in their own shape: a
// script needs two such lines (a Python block counts with its indented
// body), so that a note with a line that starts "import the" or "def" stays
// plain text.
const char *source_kind(std::string_view head)
{
    int c = 0, cpp = 0, py = 0, js = 0;
    bool block_open = false; // the line before started a Python block
    for_each_line(head, 200, [&](std::string_view line) {
        auto starts = [&](std::string_view p) { return line.substr(0, p.size()) == p; };
        if (starts("#include <") || starts("#include \"") || starts("#ifndef ") || starts("#define ") ||
            starts("#pragma "))
            ++c;
        if (starts("namespace ") || starts("template <") || starts("template<") || starts("class ") ||
            starts("using namespace") || contains(line, "std::"))
            ++cpp;
        if (block_open && is_indented(line))
            py += 2; // the block and its body
        if (!line.empty())
            block_open = is_python_block_start(line);
        if (is_python_import(line))
            ++py;
        if (is_js_statement(line))
            ++js;
    });
    if (c > 0)
        return cpp > 0 ? "cpp" : "c";
    if (py >= 2 && py >= js)
        return "py";
    if (js >= 2)
        return "js";
    return nullptr;
}

bool json_valid_start(std::string_view head)
{
    json_walk_c walk;
    for (char ch : head) {
        json_walk_c::state_e state = walk.feed(static_cast<unsigned char>(ch));
        if (state != json_walk_c::state_e::open)
            return state == json_walk_c::state_e::closed;
    }
    return true;
}

} // namespace

std::string_view xml_root_name(std::string_view head)
{
    for (size_t at = head.find('<'); at != std::string_view::npos; at = head.find('<', at + 1)) {
        if (at + 1 >= head.size())
            break;
        char next = head[at + 1];
        if (next == '?' || next == '!')
            continue;
        size_t end = at + 1;
        while (end < head.size() &&
               (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '_' || head[end] == ':' ||
                head[end] == '-' || head[end] == '.'))
            ++end;
        if (end == at + 1 || !std::isalpha(static_cast<unsigned char>(next)))
            return {};
        return head.substr(at + 1, end - at - 1);
    }
    return {};
}

const char *text_kind(std::string_view head)
{
    size_t lead = 0;
    while (lead < head.size() && is_space(static_cast<unsigned char>(head[lead])))
        ++lead;
    const std::string_view s = head.substr(lead);
    if (starts_with_nocase(s, "<!doctype html") || starts_with_nocase(s, "<html"))
        return "html";
    if (starts_with_nocase(s, "<?xml") || starts_with_nocase(s, "<svg")) {
        if (contains(s.substr(0, 2048), "<svg"))
            return "svg";
        return contains_nocase(s.substr(0, 2048), "<html") ? "html" : "xml";
    }
    if (s.substr(0, 5) == "<?php")
        return "php";
    if ((s.substr(0, 1) == "{" || s.substr(0, 1) == "[") && json_valid_start(s))
        return "json";
    if ((s.substr(0, 3) == "#!/" || s.substr(0, 4) == "#! /") && lead == 0)
        return script_kind(s.substr(0, s.find('\n')));
    if (const char *source = source_kind(s))
        return source;
    if (s.substr(0, 1) == "<" && !xml_root_name(s).empty() && contains(s, "</"))
        return "xml";
    if (looks_like_csv(s))
        return "csv";
    return "txt";
}

bool json_walk_c::close(char bracket)
{
    if (depth_ == 0 || stack_[depth_ - 1] != bracket)
        return false;
    bool empty_ok = bracket == '}' ? expect_ == expect_e::key_or_close : expect_ == expect_e::value_or_close;
    if (expect_ != expect_e::comma_or_close && !empty_ok)
        return false;
    --depth_;
    expect_ = expect_e::comma_or_close;
    return true;
}

bool json_walk_c::end_word()
{
    std::string_view w(word_, static_cast<size_t>(word_len_));
    word_len_ = -1;
    expect_ = expect_e::comma_or_close;
    if (w == "true" || w == "false" || w == "null")
        return true;
    size_t i = 0;
    auto digits = [&] {
        size_t from = i;
        while (i < w.size() && std::isdigit(static_cast<unsigned char>(w[i])))
            ++i;
        return i > from;
    };
    if (i < w.size() && w[i] == '-')
        ++i;
    if (!digits())
        return false;
    if (i < w.size() && w[i] == '.' && (++i, !digits()))
        return false;
    if (i < w.size() && (w[i] == 'e' || w[i] == 'E')) {
        ++i;
        if (i < w.size() && (w[i] == '+' || w[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == w.size();
}

json_walk_c::state_e json_walk_c::feed(uint32_t ch)
{
    if (started_ && depth_ == 0 && word_len_ < 0)
        return state_e::closed;
    if (in_string_) {
        if (escaped_)
            escaped_ = false;
        else if (ch == '\\')
            escaped_ = true;
        else if (ch == '"')
            in_string_ = false;
        else if (ch < 0x20)
            return state_e::invalid;
        return state_e::open;
    }
    const bool word_char = ch < 0x80 && (std::isalnum(static_cast<int>(ch)) || ch == '+' || ch == '-' || ch == '.');
    if (word_len_ >= 0) {
        if (word_char) {
            if (word_len_ + 1 >= static_cast<int>(sizeof(word_)))
                return state_e::invalid;
            word_[word_len_++] = static_cast<char>(ch);
            return state_e::open;
        }
        if (!end_word())
            return state_e::invalid;
    }
    if (is_space(ch))
        return state_e::open;
    const bool want_value = expect_ == expect_e::value || expect_ == expect_e::value_or_close;
    const bool want_key = expect_ == expect_e::key || expect_ == expect_e::key_or_close;
    switch (ch) {
    case '{':
    case '[':
        if (!want_value || depth_ == static_cast<int>(sizeof(stack_)))
            return state_e::invalid;
        stack_[depth_++] = ch == '{' ? '}' : ']';
        expect_ = ch == '{' ? expect_e::key_or_close : expect_e::value_or_close;
        started_ = true;
        return state_e::open;
    case '}':
    case ']':
        if (!close(static_cast<char>(ch)))
            return state_e::invalid;
        return depth_ == 0 ? state_e::closed : state_e::open;
    case '"':
        if (!started_ || (!want_value && !want_key))
            return state_e::invalid;
        in_string_ = true;
        expect_ = want_key ? expect_e::colon : expect_e::comma_or_close;
        return state_e::open;
    case ':':
        if (expect_ != expect_e::colon)
            return state_e::invalid;
        expect_ = expect_e::value;
        return state_e::open;
    case ',':
        if (expect_ != expect_e::comma_or_close || depth_ == 0)
            return state_e::invalid;
        expect_ = stack_[depth_ - 1] == '}' ? expect_e::key : expect_e::value;
        return state_e::open;
    default:
        if (!started_ || !want_value || !word_char)
            return state_e::invalid;
        word_[0] = static_cast<char>(ch);
        word_len_ = 1;
        return state_e::open;
    }
}
