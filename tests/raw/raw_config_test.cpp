// The carving configuration: the line format, its escapes and wildcards, and
// the shipped table compiled into the library.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sc_config.h"
#include "sc_matcher.h"

namespace {

// Catches: escapes decoded wrongly, '?' taken literally, a footer or option
// lost, the size suffix ignored.
TEST(raw_config, line_fields_escapes_and_options)
{
    sc_config_s c = parse_sc_config("# comment\n"
                                    "  \n"
                                    "jpg y 20M \\xff\\xd8\\xff \\xff\\xd9 check=jpeg\n"
                                    "avi n 4096 RIFF????AVI\\s - check=riff search=byte  # trailing comment\n"
                                    "txt y 1K a\\\\b\\x3f\n");
    ASSERT_TRUE(c.errors.empty()) << c.errors[0];
    ASSERT_EQ(c.types.size(), 3u);
    EXPECT_EQ(c.types[0].header, std::string("\xff\xd8\xff"));
    EXPECT_EQ(c.types[0].footer, std::string("\xff\xd9"));
    EXPECT_EQ(c.types[0].max_size, 20u << 20);
    EXPECT_EQ(c.types[0].check, "jpeg");
    EXPECT_FALSE(c.types[0].byte_granular);
    EXPECT_EQ(c.types[1].header, "RIFF????AVI ");
    EXPECT_TRUE(c.types[1].header_any[4] && c.types[1].header_any[7] && !c.types[1].header_any[8]);
    EXPECT_FALSE(c.types[1].case_sensitive);
    EXPECT_TRUE(c.types[1].byte_granular);
    EXPECT_TRUE(c.types[1].footer.empty());
    EXPECT_EQ(c.types[1].max_size, 4096u);
    EXPECT_EQ(c.types[2].header, "a\\b?");
    EXPECT_FALSE(c.types[2].header_any[3]) << "\\x3f is a literal question mark";
    EXPECT_EQ(header_anchor(c.types[1]), 0);
}

// Catches: a bad line that aborts the whole file or slips through half-read.
TEST(raw_config, bad_lines_are_skipped_with_a_reason)
{
    sc_config_s c = parse_sc_config("a y 10\n"                      // too few words
                                    "b x 10 AB\n"                   // bad case flag
                                    "c y 0 AB\n"                    // zero size
                                    "d y 10Q AB\n"                  // bad suffix
                                    "e y 10 \\xZZ\n"                // bad escape
                                    "f y 10 A?\n"                   // no two fixed bytes
                                    "g y 10 AB - check=nosuch\n"    // unknown check
                                    "toolongname y 10 AB\n"         // name over 8 characters
                                    "h y 99999999999999999999 AB\n" // size overflow
                                    "i y 10 \\x4\n"                 // escape cut short
                                    "ok y 10 AB\n");
    ASSERT_EQ(c.types.size(), 1u);
    EXPECT_EQ(c.types[0].extension, "ok");
    EXPECT_EQ(c.errors.size(), 10u);
    EXPECT_EQ(c.errors[0].rfind("line 1:", 0), 0u);
}

// Catches: the compiled-in table drifting from the shipped file, or a
// listed type missing from it.
TEST(raw_config, builtin_table_is_the_shipped_file)
{
    std::ifstream in(std::string(getenv("TARN_SOURCE_DIR")) + "/src/resources/Tarnrecovery.conf");
    ASSERT_TRUE(in.good());
    std::stringstream text;
    text << in.rdbuf();
    sc_config_s shipped = parse_sc_config(text.str());
    const sc_config_s &builtin = builtin_sc_config();
    EXPECT_TRUE(shipped.errors.empty());
    EXPECT_TRUE(builtin.errors.empty());
    ASSERT_EQ(shipped.types.size(), builtin.types.size());
    for (size_t i = 0; i < shipped.types.size(); ++i) {
        EXPECT_EQ(shipped.types[i].extension, builtin.types[i].extension);
        EXPECT_EQ(shipped.types[i].header, builtin.types[i].header);
    }
    const char *listed[] = {"jpg",  "png",  "gif",  "bmp",  "tif",  "webp", "ico", "psd",    "pdf",  "zip", "docx",
                            "xlsx", "pptx", "odt",  "ods",  "epub", "jar",  "apk", "doc",    "xls",  "ppt", "msg",
                            "rtf",  "rar",  "7z",   "gz",   "bz2",  "xz",   "mp3", "wav",    "flac", "ogg", "avi",
                            "mp4",  "mov",  "mkv",  "webm", "wmv",  "exe",  "dll", "sqlite", "eml",  "txt", "html",
                            "xml",  "svg",  "json", "csv",  "c",    "cpp",  "py",  "sh",     "js",   "php"};
    for (const char *ext : listed) {
        bool found = false;
        for (const sc_type_s &t : builtin.types)
            found |= t.extension == ext;
        EXPECT_TRUE(found) << ext;
    }
}

// Catches: wildcard bytes compared, case-blind headers matched case-bound,
// anchors at an offset (????ftyp) never looked up, byte types searched at
// sector starts only.
TEST(raw_config, matcher_finds_headers_by_table_lookup)
{
    sc_config_s c = parse_sc_config("mp4 y 10 ????ftyp\n"
                                    "eml n 10 From:\n"
                                    "zz y 10 ZZ search=byte\n");
    ASSERT_EQ(c.types.size(), 3u);
    sc_matcher_c m(c.types);
    std::vector<uint16_t> out;
    const uint8_t mp4[] = {0, 0, 1, 0, 'f', 't', 'y', 'p'};
    m.match(mp4, sizeof(mp4), true, out);
    EXPECT_EQ(out, std::vector<uint16_t>{0});
    m.match(mp4, 7, true, out);
    EXPECT_TRUE(out.empty()) << "a header past the available bytes";
    const uint8_t mail[] = "fROM: x";
    m.match(mail, 7, true, out);
    EXPECT_EQ(out, std::vector<uint16_t>{1});
    const uint8_t zz[] = "ZZ";
    m.match(zz, 2, true, out);
    EXPECT_TRUE(out.empty()) << "byte types are not sector types";
    EXPECT_TRUE(m.byte_start('Z'));
    EXPECT_FALSE(m.byte_start('Y'));
    m.match(zz, 2, false, out);
    EXPECT_EQ(out, std::vector<uint16_t>{2});
}

} // namespace
