// The language file parser, text lookup, language codes and image paths.
#include <QByteArray>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "shell/language_fixture.h"
#include "skin/gui_app.h"

namespace {

class translation_test : public language_fixture {};

void load_texts(const QByteArray &file, const QString &section)
{
    current_catalogue().load_bytes(file.constData(), std::size_t(file.size()), section, true);
}

QString text(const char *key)
{
    return lookup_text(key);
}

} // namespace

TEST_F(translation_test, chosen_section_overrides_english_and_missing_keys_keep_english)
{
    write_language("[English]\na=\"1\"\nonly=\"english\"\n[Deutsch]\na=\"2\"\n");
    ASSERT_EQ(load_language_section("English", false), 0);
    ASSERT_EQ(load_language_section("Deutsch", true), 0);
    EXPECT_EQ(text("a"), "2");
    EXPECT_EQ(text("only"), "english");
    EXPECT_EQ(current_catalogue().sections(), QStringList({"English", "Deutsch"}));
    EXPECT_EQ(current_catalogue().current_index(), 1);
    EXPECT_EQ(language_code(), "de");
}

TEST_F(translation_test, entry_shapes_follow_the_line_patterns)
{
    write_language("[English]\n"
                   "spaced = \"kept with a blank\"\n"
                   "lines=\"one\\ntwo\\tthree\"\n"
                   "quoted=\"say \"hi\" now\"\n"
                   ";comment=\"ignored\"\n"
                   "  ;x = \"indented\"\n"
                   "a=b=\"last equals splits\"\n"
                   "noquotes=plain\n"
                   "open=\"no closing quote\n"
                   "empty=\"\"\n"
                   "   [  Deutsch  ]   \n"
                   "de=\"in deutsch\"\n");
    ASSERT_EQ(load_language_section("English", false), 0);
    // Fault: trimming the key would make both spellings resolve.
    EXPECT_EQ(text("spaced "), "kept with a blank");
    EXPECT_EQ(text("spaced"), "");
    EXPECT_EQ(text("lines"), "one\ntwo\tthree");
    EXPECT_EQ(text("quoted"), "say \"hi\" now");
    EXPECT_EQ(text(";comment"), "");
    EXPECT_EQ(text(" ;x "), "indented");
    EXPECT_EQ(text("a=b"), "last equals splits");
    for (const char *key : {"noquotes", "open", "empty"})
        EXPECT_EQ(current_catalogue().contains(key), false) << key;
    // The header with blanks around its brackets keeps the blanks inside them.
    EXPECT_EQ(current_catalogue().sections(), QStringList({"English", "  Deutsch  "}));
    EXPECT_EQ(current_catalogue().contains("de"), false);
}

TEST_F(translation_test, crlf_lines_and_utf8_texts)
{
    write_language("[English]\r\nkey=\"value\"\r\n[Español]\r\nkey=\"añadir ✓\"\r\n");
    ASSERT_EQ(load_language_section("English", false), 0);
    ASSERT_EQ(load_language_section("Español", true), 0);
    // Fault: a carriage return left in the text or the key.
    EXPECT_EQ(text("key"), QString::fromUtf8("añadir ✓"));
    EXPECT_EQ(current_catalogue().sections().at(1), QString::fromUtf8("Español"));
    EXPECT_EQ(language_code(), "es");
}

TEST_F(translation_test, byte_order_mark_hides_the_first_header)
{
    write_language("\xEF\xBB\xBF[English]\nkey=\"first\"\n[Deutsch]\nkey=\"zweite\"\n");
    ASSERT_EQ(load_language_section("English", false), 0);
    EXPECT_EQ(text("key"), "");
    EXPECT_EQ(current_catalogue().sections(), QStringList({"Deutsch"}));
    ASSERT_EQ(load_language_section("Deutsch", true), 0);
    EXPECT_EQ(text("key"), "zweite");
    EXPECT_EQ(current_catalogue().current_index(), 0);
}

TEST_F(translation_test, repeated_sections)
{
    write_language("[Deutsch]\nk1=\"a\"\n[Deutsch]\nk2=\"b\"\n[English]\n[Deutsch]\nk3=\"c\"\n");
    ASSERT_EQ(load_language_section("Deutsch", true), 0);
    // Directly repeated: the second header ends the section; later: read again.
    EXPECT_EQ(text("k1"), "a");
    EXPECT_EQ(current_catalogue().contains("k2"), false);
    EXPECT_EQ(text("k3"), "c");
    EXPECT_EQ(current_catalogue().sections(), QStringList({"Deutsch", "Deutsch", "English", "Deutsch"}));
    EXPECT_EQ(current_catalogue().current_index(), 3);
}

TEST_F(translation_test, section_names_match_exactly_and_unknown_sections_change_nothing)
{
    write_language("[English]\nk=\"en\"\n[deutsch]\nk=\"lower\"\n");
    ASSERT_EQ(load_language_section("English", false), 0);
    ASSERT_EQ(load_language_section("Deutsch", true), 0);
    EXPECT_EQ(text("k"), "en");
    EXPECT_EQ(current_catalogue().current_index(), 0);
    ASSERT_EQ(load_language_section("Klingon", true), 0);
    EXPECT_EQ(text("k"), "en");
}

TEST_F(translation_test, long_lines_arrive_in_pieces_and_zero_bytes_end_a_line)
{
    QByteArray file("[English]\n");
    // 2,047 bytes before the closing quote: the quote arrives as a line of its own.
    file += "long=\"" + QByteArray(2047 - 6, 'x') + "\"\n";
    // Exactly 2,047 bytes with the line break: still one line.
    file += "fits=\"" + QByteArray(2047 - 8, 'y') + "\"\n";
    static const char cut[] = "cut=\"yes\"\0tail=\"no\"\n";
    file += QByteArray(cut, sizeof cut - 1);
    write_language(file);
    ASSERT_EQ(load_language_section("English", false), 0);
    EXPECT_EQ(current_catalogue().contains("long"), false);
    EXPECT_EQ(text("fits").size(), 2047 - 8);
    EXPECT_EQ(text("cut"), "yes");
    EXPECT_EQ(current_catalogue().contains("tail"), false);
}

TEST_F(translation_test, long_blank_runs_do_not_stall_the_parser)
{
    // Fault: a backtracking matcher needs hours for this file (the test
    // then runs into its time limit).
    QByteArray file("[English]\n");
    const QByteArray line = QByteArray(1000, ' ') + "=\"" + QByteArray(1000, ' ') + "\n";
    for (int i = 0; i < 50; ++i)
        file += line;
    file += "after=\"read\"\n";
    write_language(file);
    ASSERT_EQ(load_language_section("English", false), 0);
    EXPECT_EQ(text("after"), "read");
    EXPECT_EQ(current_catalogue().size(), 1u);
}

TEST_F(translation_test, missing_file_changes_nothing)
{
    gui_app();
    load_texts("[Old]\nkept=\"old\"\n", "Old");
    // No language.ini here and none beside this test program.
    EXPECT_EQ(load_language_section("English", true), -1);
    EXPECT_EQ(text("kept"), "old");
    EXPECT_EQ(current_catalogue().sections(), QStringList({"Old"}));
    EXPECT_EQ(QFileInfo(language_file_path()).absolutePath(), QCoreApplication::applicationDirPath());
    write_language("[English]\n");
    EXPECT_EQ(language_file_path(), "language.ini");
}

TEST_F(translation_test, lookup_of_an_unknown_key_remembers_it_empty)
{
    EXPECT_TRUE(lookup_text("nowhere").isEmpty());
    EXPECT_EQ(current_catalogue().contains("nowhere"), true);
    lookup_text("nowhere") = "set";
    EXPECT_EQ(text("nowhere"), "set");
}

TEST_F(translation_test, language_codes)
{
    const std::pair<const char *, const char *> cases[] = {
        {"Deutsch", "de"},    {"FRANÇAIS", "fr"}, {"español", "es"}, {"简体中文", "cn"},
        {"繁體中文", "hk"},   {"Italiano", "it"}, {"日本語", "jp"},  {"Português", "pt"},
        {"Nederlands", "nl"}, {"العربية", "ar"},  {"English", "en"}, {"Klingon", "en"},
    };
    for (const auto &[name, code] : cases) {
        load_texts(QByteArray("[") + name + "]\n", QString::fromUtf8(name));
        EXPECT_EQ(language_code(), code) << name;
    }
    current_catalogue() = text_catalogue_c();
    EXPECT_EQ(language_code(), "en");
}

TEST_F(translation_test, image_paths_and_button_style)
{
    load_texts("[English]\n[简体中文]\n", QString::fromUtf8("简体中文"));
    EXPECT_EQ(multilang_image_path(2, 3), ":/images/multilang/cn/btn_top23.png");
    EXPECT_EQ(multilang_image_path("btn_start_scan", 1), "/images/multilang/cn/btn_start_scan1.png");
    EXPECT_EQ(three_state_button_style("/a1.png", "/a2.png", "/a3.png"),
              "QPushButton{ border-image: url(:/a1.png); }QPushButton:hover{ border-image: url(:/a2.png);}"
              "QPushButton:pressed{  border-image: url(:/a3.png);}");
}

TEST_F(translation_test, switching_to_the_current_language_saves_nothing)
{
    write_language("[English]\n[Deutsch]\n[Français]\n");
    ASSERT_EQ(load_settings(), 0);
    EXPECT_EQ(switch_language(current_catalogue().current_index()), -1);
    EXPECT_EQ(switch_language(3), -1);
    EXPECT_EQ(switch_language(-1), -1);
    EXPECT_FALSE(has_file(settings_name()));

    EXPECT_EQ(switch_language(2), 0);
    EXPECT_EQ(current_language, QString::fromUtf8("Français"));
    EXPECT_EQ(current_catalogue().current_index(), 2);
    const QByteArray saved = read_file(settings_name());
    EXPECT_TRUE(saved.contains("language=Fran")) << saved.constData();
    EXPECT_TRUE(saved.contains("recovery_folder=")) << saved.constData();
}
