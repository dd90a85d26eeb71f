// The window's texts by key, looked up in the current catalogue, and the
// image paths and button looks that depend on the current language.
#pragma once

#include <QString>
#include <cstddef>
#include <string>

#include "window/text/text_catalogue.h"

// "language.ini" of the working folder, else the installed one (in
// ../share/tarnrecovery from the program, or beside it in a build tree): a
// program started from a menu has no useful working folder.
QString language_file_path();

// Loads a section of that file into the current catalogue. Returns 0, or -1
// when the file cannot be opened.
int load_language_section(const QString &section, bool set_index);

// Never fails: an unknown key is remembered with an empty text.
QString &lookup_text(const std::string &key);

// Two-letter code of the current language ("en" when none matches).
QString language_code();

// ":/images/multilang/<code>/btn_top<tab><state>.png"
QString multilang_image_path(int tab_number, int state_digit);
// "/images/multilang/<code>/<base><state>.png" (the style sheet adds ":").
QString multilang_image_path(const QString &base_name, int state_digit);

// Normal, hover and pressed border images of a push button.
QString three_state_button_style(const QString &normal, const QString &hover, const QString &pressed);

// Makes the section at index the current language, loads its texts over
// English and saves the settings.
// Returns 0 when the language changed, -1 when it was already current or the
// index names no section.
int switch_language(int index);
