#include "sc_config.h"

#include <cctype>

#include "checks/sc_check.h"

extern const char sc_builtin_config_text[];

namespace {

std::vector<std::string_view> split_words(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Decodes escapes; any (when given) marks the unescaped '?' wildcards.
bool unescape(std::string_view word, std::string &out, std::vector<bool> *any)
{
    for (size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        bool wildcard = false;
        if (c == '\\') {
            if (++i >= word.size())
                return false;
            switch (word[i]) {
            case 'x': {
                if (i + 2 >= word.size())
                    return false;
                int hi = hex_value(word[i + 1]), lo = hex_value(word[i + 2]);
                if (hi < 0 || lo < 0)
                    return false;
                c = static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            case '\\':
                c = '\\';
                break;
            case 's':
                c = ' ';
                break;
            case 't':
                c = '\t';
                break;
            case 'n':
                c = '\n';
                break;
            case 'r':
                c = '\r';
                break;
            default:
                return false;
            }
        } else if (c == '?' && any) {
            wildcard = true;
        }
        out.push_back(c);
        if (any)
            any->push_back(wildcard);
    }
    return true;
}

bool parse_size(std::string_view word, uint64_t &out)
{
    uint64_t value = 0;
    size_t i = 0;
    for (; i < word.size() && std::isdigit(static_cast<unsigned char>(word[i])); ++i) {
        if (value > (UINT64_MAX - 9) / 10)
            return false;
        value = value * 10 + static_cast<uint64_t>(word[i] - '0');
    }
    if (i == 0)
        return false;
    uint64_t unit = 1;
    if (i + 1 == word.size()) {
        switch (std::toupper(static_cast<unsigned char>(word[i]))) {
        case 'K':
            unit = 1ull << 10;
            break;
        case 'M':
            unit = 1ull << 20;
            break;
        case 'G':
            unit = 1ull << 30;
            break;
        default:
            return false;
        }
    } else if (i != word.size()) {
        return false;
    }
    if (value == 0 || value > UINT64_MAX / unit)
        return false;
    out = value * unit;
    return true;
}

// Empty on success, else the reason the line is skipped.
std::string parse_line(std::string_view line, sc_type_s &type)
{
    std::vector<std::string_view> words = split_words(line);
    if (words.size() < 4)
        return "expected extension, case, maximum size and header";
    type.extension = std::string(words[0]);
    if (type.extension.size() > 8)
        return "extension longer than 8 characters";
    if (words[1] == "y" || words[1] == "Y")
        type.case_sensitive = true;
    else if (words[1] == "n" || words[1] == "N")
        type.case_sensitive = false;
    else
        return "case must be y or n";
    if (!parse_size(words[2], type.max_size))
        return "bad maximum size";
    if (words[3] != "-") {
        if (!unescape(words[3], type.header, &type.header_any))
            return "bad escape in header";
        if (header_anchor(type) < 0)
            return "header needs two fixed bytes in a row";
    }
    if (type.header.size() > 64)
        return "header longer than 64 bytes";
    bool footer_seen = false;
    for (size_t w = 4; w < words.size(); ++w) {
        std::string_view word = words[w];
        if (word.substr(0, 6) == "check=") {
            type.check = std::string(word.substr(6));
            type.check_fn = find_sc_check(type.check);
            if (!type.check_fn)
                return "unknown check " + type.check;
        } else if (word == "search=byte") {
            type.byte_granular = true;
        } else if (word == "search=sector") {
            type.byte_granular = false;
        } else if (!footer_seen && word.find('=') == std::string_view::npos) {
            footer_seen = true;
            if (word != "-" && !unescape(word, type.footer, nullptr))
                return "bad escape in footer";
        } else {
            return "unexpected word " + std::string(word);
        }
    }
    if (type.by_content() && (type.check.empty() || type.byte_granular))
        return "a type without a header needs a check and is looked for at sector starts";
    return {};
}

} // namespace

sc_config_s parse_sc_config(std::string_view text)
{
    sc_config_s config;
    size_t line_no = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++line_no;
        size_t hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (split_words(line).empty())
            continue;
        sc_type_s type;
        std::string reason = parse_line(line, type);
        if (reason.empty())
            config.types.push_back(std::move(type));
        else
            config.errors.push_back("line " + std::to_string(line_no) + ": " + reason);
    }
    return config;
}

const sc_config_s &builtin_sc_config()
{
    static const sc_config_s config = parse_sc_config(sc_builtin_config_text);
    return config;
}

int header_anchor(const sc_type_s &type)
{
    for (size_t i = 0; i + 1 < type.header.size(); ++i)
        if (!type.header_any[i] && !type.header_any[i + 1])
            return static_cast<int>(i);
    return -1;
}
