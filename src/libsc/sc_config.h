// The carving configuration: one line per file type.
//
//   # extension case max_size header [footer] [check=NAME] [search=byte]
//   jpg   y  20000000  \xff\xd8\xff  \xff\xd9  check=jpeg
//
// case is y (exact) or n (ASCII letters match either case); max_size is a
// byte count with an optional K, M or G suffix; header and footer use \xNN,
// \\, \s (space), \t, \n, \r escapes, and '?' in a header matches any byte
// (a literal question mark is \x3f). A footer of "-" means none. Types that
// share a header and a check are told apart by the check (zip: docx, xlsx...).
// A header of "-" means none: the check alone tells the type by its content,
// at sector starts no other type claims and no find covers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "checks/sc_check.h"

struct sc_type_s {
    std::string extension;
    bool case_sensitive = true;
    uint64_t max_size = 0;
    std::string header;
    std::vector<bool> header_any; // true where the header has '?'
    std::string footer;
    std::string check;              // empty: footer or maximum size only
    sc_check_fn check_fn = nullptr; // the check named, looked up once
    bool byte_granular = false;     // search every byte, not only sector starts

    bool by_content() const { return header.empty(); }
};

struct sc_config_s {
    std::vector<sc_type_s> types;
    std::vector<std::string> errors; // "line N: reason", for lines that were skipped
};

// Position of the first two fixed header bytes in a row, -1 when there are none.
int header_anchor(const sc_type_s &type);

// Never fails as a whole: bad lines are skipped and listed in errors.
sc_config_s parse_sc_config(std::string_view text);

// The table shipped as Tarnrecovery.conf, compiled in.
const sc_config_s &builtin_sc_config();
