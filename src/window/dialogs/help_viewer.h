// The help page shipped with the program, shown in a window of its own in
// the current language (English when there is none in that language).
#pragma once

class QWidget;

// The resource path of the help page for a language code.
const char *help_page_for(const char *code);

// Opens the help window (non-modal; it deletes itself when closed).
void open_help(QWidget *parent);
