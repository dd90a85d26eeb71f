// Texts by key from "language.ini": one section per language, the English
// section loaded first and the chosen language's section loaded over it.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <map>
#include <string>

// Keys are raw bytes of the file, compared byte by byte.
extern std::map<std::string, QString> text_table;
// Section names of the last loaded file, in file order, repeats included.
extern QStringList language_sections;
extern int current_language_index;

// "language.ini" of the working folder, else the one installed beside the
// program (a program started from a menu has no useful working folder).
QString language_file_path();

// Copies the entries of the named section into text_table and rebuilds
// language_sections; with set_index, the section becomes the current one.
// Returns 0, or -1 when the file cannot be opened.
int load_language_section(const QString& section, bool set_index);

// The same, over the bytes of a language file already in memory.
void load_language_bytes(const char* data, std::size_t size, const QString& section, bool set_index);

// Never fails: an unknown key is remembered with an empty text.
QString& lookup_text(const std::string& key);

// Two-letter code of the current language ("en" when none matches).
QString language_code();

// ":/images/multilang/<code>/btn_top<tab><state>.png"
QString multilang_image_path(int tab_number, int state_digit);
// "/images/multilang/<code>/<base><state>.png" (the style sheet adds ":").
QString multilang_image_path(const QString& base_name, int state_digit);

// Normal, hover and pressed border images of a push button.
QString three_state_button_style(const QString& normal, const QString& hover, const QString& pressed);

// Makes the section at index the current language and saves the settings.
// Returns 0 when the language changed, -1 when it was already current or the
// index names no section.
int switch_language(int index);
