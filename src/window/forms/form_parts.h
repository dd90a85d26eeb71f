// Widgets the page forms share: named buttons and the list of a device page.
#pragma once

#include <QRect>

class QListView;
class QPushButton;
class QWidget;

QPushButton *make_button(QWidget *form, const char *name, const QRect &place);

// Gives the widget that place in its parent, mirrored when the parent lays
// out right to left (fixed places are not mirrored by Qt itself).
void place_widget(QWidget *widget, const QRect &place);

// The blue-framed list every device page shows its rows in.
QListView *make_list(QWidget *form, const char *name);

// A page button (Back, Refresh, Scan, Start, Repair): Arial 11 on the
// three-state button images.
QPushButton *make_page_button(QWidget *form, const char *name, const QRect &place);
// Gives a button a form made elsewhere (a .ui file) the page buttons' look.
void style_page_button(QPushButton *button);
