// What a text is, from its first few KiB: markup, data or source code.
#pragma once

#include <cstdint>
#include <string_view>

// head: the text's first characters, those outside ASCII replaced by 0x80,
// after any byte-order mark. Returns the extension of the kind ("html",
// "xml", "svg", "json", "csv", "c", "cpp", "py", "sh", "js", "php"), or
// "txt" for plain text.
const char *text_kind(std::string_view head);

// Name of the root element of XML or SVG text (empty when there is none).
std::string_view xml_root_name(std::string_view head);

// Follows JSON one character at a time and says where it closes.
class json_walk_c {
public:
    enum class state_e { open, closed, invalid };
    state_e feed(uint32_t ch);

private:
    enum class expect_e { value, value_or_close, key, key_or_close, colon, comma_or_close };
    bool close(char bracket);
    bool end_word();
    char stack_[64] = {};
    int depth_ = 0;
    expect_e expect_ = expect_e::value;
    bool in_string_ = false, escaped_ = false;
    char word_[16] = {};
    int word_len_ = -1; // -1: not inside a number or literal
    bool started_ = false;
};
